#pragma once

#include <juce_core/juce_core.h>

namespace sim
{

/** Sets an environment variable for the object's lifetime and then puts the
    previous value (or its absence) back. */
class ScopedEnvironmentVariable
{
public:
    ScopedEnvironmentVariable (const juce::String& name, const juce::String& value);
    ~ScopedEnvironmentVariable();

private:
    juce::String name, previous;
    bool hadValue = false;

    JUCE_DECLARE_NON_COPYABLE (ScopedEnvironmentVariable)
};

} // namespace sim

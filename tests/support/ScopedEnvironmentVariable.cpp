#include "support/ScopedEnvironmentVariable.h"

#include <cstdlib>

namespace sim
{

ScopedEnvironmentVariable::ScopedEnvironmentVariable (const juce::String& variableName, const juce::String& value)
    : name (variableName)
{
    if (const char* old = std::getenv (name.toRawUTF8()))
    {
        hadValue = true;
        previous = juce::String::fromUTF8 (old);
    }

    setenv (name.toRawUTF8(), value.toRawUTF8(), 1);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable()
{
    if (hadValue)
        setenv (name.toRawUTF8(), previous.toRawUTF8(), 1);
    else
        unsetenv (name.toRawUTF8());
}

} // namespace sim

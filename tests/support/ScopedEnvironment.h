#pragma once

#include <juce_core/juce_core.h>

#include <cstdlib>
#include <optional>
#include <vector>

/** Sets environment variables for the life of the object and puts back what
    was there before (unset when nothing was). */
class ScopedEnvironment
{
public:
    ScopedEnvironment() = default;

    /** Sets one variable at once; more can follow with set() and unset(). */
    ScopedEnvironment (const juce::String& name, const juce::String& value)
    {
        set (name, value);
    }

    ~ScopedEnvironment()
    {
        for (auto it = saved.rbegin(); it != saved.rend(); ++it)
        {
            if (it->second.has_value())
                ::setenv (it->first.toRawUTF8(), it->second->toRawUTF8(), 1);
            else
                ::unsetenv (it->first.toRawUTF8());
        }
    }

    /** Sets the variable; the old value comes back when the object goes. */
    void set (const juce::String& name, const juce::String& value)
    {
        remember (name);
        ::setenv (name.toRawUTF8(), value.toRawUTF8(), 1);
    }

    /** Removes the variable; the old value comes back when the object goes. */
    void unset (const juce::String& name)
    {
        remember (name);
        ::unsetenv (name.toRawUTF8());
    }

private:
    void remember (const juce::String& name)
    {
        const char* old = ::getenv (name.toRawUTF8());
        saved.emplace_back (name, old != nullptr ? std::optional<juce::String> (juce::String::fromUTF8 (old))
                                                 : std::nullopt);
    }

    std::vector<std::pair<juce::String, std::optional<juce::String>>> saved;

    JUCE_DECLARE_NON_COPYABLE (ScopedEnvironment)
};

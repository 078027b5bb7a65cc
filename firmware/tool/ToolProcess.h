#pragma once

#include <juce_core/juce_core.h>

namespace halvik
{
    /** What one run of an external program gave back. */
    struct ToolRunResult
    {
        bool started = false;    ///< the process could be started
        bool timedOut = false;   ///< it outlived its time-out and was killed
        juce::String output;     ///< what it printed on its standard output
    };

    /** Runs a program with an argument list (the first item is the program's
        path; no shell sees any of it) and collects its standard output until
        it ends. A run that lasts longer than timeoutMs is killed and reaped,
        and its output is dropped. A run that ends keeps its output, also when
        something it started holds the output open after it: then what arrived
        within a second of its end.

        While it waits, the message loop keeps running in short slices when
        called on the message thread, so windows keep painting; on another
        thread it just sleeps between looks. */
    ToolRunResult runToolProcess (const juce::StringArray& arguments, int timeoutMs);
}

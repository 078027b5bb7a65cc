#pragma once

#include <juce_core/juce_core.h>

namespace halvik
{
    /** What one run of an external program gave back. */
    struct ToolRunResult
    {
        bool started = false;        ///< the process could be started
        bool timedOut = false;       ///< it outlived its time-out and was killed
        juce::String output;         ///< the last part (at most 64 KiB) of what it printed on its standard output
        juce::StringArray markersFound; ///< the marker texts asked for that appeared anywhere in that output
    };

    /** Runs a program with an argument list (the first item is the program's
        path; no shell sees any of it) and collects its standard output until
        it ends. Only the end of the output is kept, however much the program
        prints, and each of the marker texts is looked for in all of it.

        The program runs in a process group of its own. A run that lasts longer
        than timeoutMs is killed with the whole group and reaped, and its output
        is dropped. A run that ends keeps what it printed up to its end, and no
        more: whatever it started and left running in its group is killed at
        its end, and what it left running outside the group (a daemon) is not
        waited for, even while it holds the output open.

        While it waits, the message loop keeps running in short slices when
        called on the message thread, so windows keep painting; on another
        thread it just sleeps between looks. */
    ToolRunResult runToolProcess (const juce::StringArray& arguments, int timeoutMs,
                                  const juce::StringArray& markers = {});
}

// Starts the real program on the current display several times and reports
// how long it takes from the start of the process to the first paint of the
// editor. The program reports that moment on stderr when asked through the
// environment. Run by hand: DISPLAY must be set (xvfb-run works).

#include "support/TestSurroundings.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{
    /** Kills a child that never reports, so the benchmark cannot hang. */
    struct Watchdog : public juce::Thread
    {
        explicit Watchdog (juce::ChildProcess& p) : juce::Thread ("watchdog"), process (p) {}

        void run() override
        {
            if (! wait (30000))
                process.kill();
        }

        juce::ChildProcess& process;
    };

    /** Milliseconds from start to first paint, or a negative number on failure. */
    double measureOnce (const juce::File& program)
    {
        juce::ChildProcess process;
        const auto startMs = juce::Time::getMillisecondCounterHiRes();

        if (! process.start (juce::StringArray { program.getFullPathName() },
                             juce::ChildProcess::wantStdOut | juce::ChildProcess::wantStdErr))
            return -1.0;

        Watchdog watchdog (process);
        watchdog.startThread();

        const juce::String marker ("tavlo first paint at ");
        juce::String line;
        double paintMs = -1.0;
        char c = 0;

        while (paintMs < 0.0 && process.readProcessOutput (&c, 1) == 1)
        {
            if (c != '\n')
            {
                line += c;
                continue;
            }

            if (line.startsWith (marker))
                paintMs = line.fromFirstOccurrenceOf (marker, false, false).getDoubleValue();

            line.clear();
        }

        watchdog.signalThreadShouldExit();
        watchdog.notify();
        watchdog.stopThread (1000);
        process.kill();
        process.waitForProcessToFinish (5000);

        return paintMs < 0.0 ? -1.0 : paintMs - startMs;
    }
}

int main()
{
    if (std::getenv ("DISPLAY") == nullptr)
    {
        std::printf ("bench_startup needs a display (DISPLAY is not set); try xvfb-run.\n");
        return 1;
    }

    const auto program = testpaths::programFile();

    // Own runtime and home folders: no running copy can turn the start away.
    juce::TemporaryFile scratchName;
    const auto scratch = scratchName.getFile();
    scratch.createDirectory();
    setenv ("HOME", scratch.getFullPathName().toRawUTF8(), 1);
    setenv ("XDG_RUNTIME_DIR", scratch.getFullPathName().toRawUTF8(), 1);
    setenv ("TAVLO_REPORT_FIRST_PAINT", "1", 1);

    constexpr int runs = 7;
    std::vector<double> times;

    for (int i = 0; i < runs; ++i)
    {
        const auto ms = measureOnce (program);

        if (ms < 0.0)
        {
            std::printf ("run %d: the editor never reported its first paint\n", i + 1);
            scratch.deleteRecursively();
            return 1;
        }

        times.push_back (ms);
        std::printf ("run %d: %.1f ms\n", i + 1, ms);
    }

    scratch.deleteRecursively();
    std::sort (times.begin(), times.end());
    std::printf ("start to first painted editor over %d runs: min %.1f ms, median %.1f ms, max %.1f ms\n",
                 runs, times.front(), times[times.size() / 2], times.back());
    return 0;
}

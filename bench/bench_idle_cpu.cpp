// Starts the real program on the current display, lets it settle, and reports
// the CPU time it uses over 10 s of idling with its 333 ms device timer (no
// keyboard connected, so every tick looks for one). Target: at most 0.5 % of
// one core. Run by hand: DISPLAY must be set (xvfb-run works).

#include "support/TestPaths.h"
#include "support/TestProcess.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdio>
#include <cstdlib>

namespace
{
    /** CPU time used so far by the threads a process has now, in seconds (the
        scheduler's nanosecond count, far finer than the clock ticks of
        /proc/<pid>/stat); -1 when unreadable. */
    double cpuSecondsOf (int pid)
    {
        double total = 0.0;
        bool readAny = false;

        for (const auto& entry : juce::RangedDirectoryIterator (juce::File ("/proc/" + juce::String (pid) + "/task"),
                                                                  false, "*", juce::File::findDirectories))
        {
            const auto fields = juce::StringArray::fromTokens (entry.getFile().getChildFile ("schedstat").loadFileAsString(), true);

            if (fields.isEmpty())
                continue;

            total += (double) fields[0].getLargeIntValue() / 1.0e9;     // nanoseconds on a CPU
            readAny = true;
        }

        return readAny ? total : -1.0;
    }
}

int main()
{
    if (std::getenv ("DISPLAY") == nullptr)
    {
        std::printf ("bench_idle_cpu needs a display (DISPLAY is not set); try xvfb-run.\n");
        return 1;
    }

    juce::TemporaryFile scratchName;
    const auto scratch = scratchName.getFile();
    scratch.createDirectory();

    juce::StringPairArray environment;
    environment.set ("HOME", scratch.getFullPathName());
    environment.set ("XDG_RUNTIME_DIR", scratch.getFullPathName());

    TestProcess tavlo;

    if (! tavlo.start ({ testpaths::programFile().getFullPathName() }, environment))
    {
        std::printf ("could not start the program\n");
        return 1;
    }

    juce::Thread::sleep (3000);   // start-up and the first ticks are not idling

    constexpr double windowSeconds = 10.0;
    const auto before = cpuSecondsOf (tavlo.getProcessId());
    const auto startMs = juce::Time::getMillisecondCounterHiRes();
    juce::Thread::sleep ((int) (windowSeconds * 1000.0));
    const auto after = cpuSecondsOf (tavlo.getProcessId());
    const auto elapsedSeconds = (juce::Time::getMillisecondCounterHiRes() - startMs) / 1000.0;

    tavlo.kill();
    scratch.deleteRecursively();

    if (before < 0.0 || after < 0.0)
    {
        std::printf ("could not read the program's CPU time (did it end?)\n");
        return 1;
    }

    const auto cpuSeconds = after - before;
    const auto percent = 100.0 * cpuSeconds / elapsedSeconds;
    std::printf ("idle CPU over %.1f s: %.4f s of CPU time, %.3f %% of one core (target at most 0.5 %%)\n",
                 elapsedSeconds, cpuSeconds, percent);
    return percent <= 0.5 ? 0 : 2;
}

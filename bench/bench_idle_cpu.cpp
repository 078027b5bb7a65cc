// Starts the real program on the current display, lets it settle, and reports
// the CPU time it uses over 10 s of idling with its 333 ms device timer (no
// keyboard connected, so every tick looks for one). Target: under 1 % of one
// core. Run by hand: DISPLAY must be set (xvfb-run works).

#include "support/TestPaths.h"
#include "support/TestProcess.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace
{
    /** User plus system CPU time of a process so far, in clock ticks; -1 when unreadable. */
    long long cpuTicksOf (int pid)
    {
        const auto stat = juce::File ("/proc/" + juce::String (pid) + "/stat").loadFileAsString();

        // The command name in brackets may hold blanks: the fields counted here
        // start after its closing bracket, with field 3 (the state) first.
        const auto fields = juce::StringArray::fromTokens (stat.fromLastOccurrenceOf (")", false, false), true);

        if (fields.size() < 13)
            return -1;

        return fields[11].getLargeIntValue() + fields[12].getLargeIntValue();   // utime, stime
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
    const auto before = cpuTicksOf (tavlo.getProcessId());
    const auto startMs = juce::Time::getMillisecondCounterHiRes();
    juce::Thread::sleep ((int) (windowSeconds * 1000.0));
    const auto after = cpuTicksOf (tavlo.getProcessId());
    const auto elapsedSeconds = (juce::Time::getMillisecondCounterHiRes() - startMs) / 1000.0;

    tavlo.kill();
    scratch.deleteRecursively();

    if (before < 0 || after < 0)
    {
        std::printf ("could not read the program's CPU time (did it end?)\n");
        return 1;
    }

    const auto cpuSeconds = (double) (after - before) / (double) sysconf (_SC_CLK_TCK);
    const auto percent = 100.0 * cpuSeconds / elapsedSeconds;
    std::printf ("idle CPU over %.1f s: %.3f s of CPU time, %.2f %% of one core (target under 1 %%)\n",
                 elapsedSeconds, cpuSeconds, percent);
    return percent < 1.0 ? 0 : 2;
}

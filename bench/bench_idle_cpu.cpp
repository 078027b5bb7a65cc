// Starts the real program on the current display, lets it settle, and reports
// the CPU time it uses over 10 s of idling with its 333 ms device timer (no
// keyboard connected, so every tick looks for one). Target: at most 0.5 % of
// one core. Run by hand: DISPLAY must be set (xvfb-run works).
//
// For reference it measures an empty JUCE window of the editor's size the same
// way (this benchmark started again with --empty-window): the share that any
// JUCE window costs on this display, which the program cannot go below.

#include "support/TestSurroundings.h"
#include "support/TestProcess.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace
{
    constexpr double windowSeconds = 10.0;
    constexpr int settleMs = 3000;      // start-up and the first ticks are not idling

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

    /** Percent of one core that the program uses while idling, or nothing when
        it could not be measured (it did not start, or ended on its way). */
    std::optional<double> idlePercentOf (const juce::StringArray& arguments)
    {
        juce::TemporaryFile scratchName;
        const auto scratch = scratchName.getFile();
        scratch.createDirectory();

        juce::StringPairArray environment;
        environment.set ("HOME", scratch.getFullPathName());
        environment.set ("XDG_RUNTIME_DIR", scratch.getFullPathName());

        std::optional<double> percent;
        TestProcess process;

        if (process.start (arguments, environment))
        {
            juce::Thread::sleep (settleMs);

            const auto before = cpuSecondsOf (process.getProcessId());
            const auto startMs = juce::Time::getMillisecondCounterHiRes();
            juce::Thread::sleep ((int) (windowSeconds * 1000.0));
            const auto after = cpuSecondsOf (process.getProcessId());
            const auto elapsedSeconds = (juce::Time::getMillisecondCounterHiRes() - startMs) / 1000.0;

            // An ended process still shows its last times: only a running one counts.
            if (before >= 0.0 && after >= 0.0 && process.isRunning())
                percent = 100.0 * (after - before) / elapsedSeconds;

            process.kill();
        }

        scratch.deleteRecursively();
        return percent;
    }

    /** Nothing but a window of the editor's size. */
    class EmptyWindowApplication final : public juce::JUCEApplication
    {
    public:
        const juce::String getApplicationName() override       { return "Empty window"; }
        const juce::String getApplicationVersion() override    { return "1"; }

        void initialise (const juce::String&) override
        {
            window = std::make_unique<juce::DocumentWindow> ("Empty window", juce::Colours::white,
                                                             juce::DocumentWindow::allButtons);
            window->setUsingNativeTitleBar (true);
            window->setSize (979, 473);
            window->setVisible (true);
        }

        void shutdown() override                                { window.reset(); }

    private:
        std::unique_ptr<juce::DocumentWindow> window;
    };

    juce::JUCEApplicationBase* createEmptyWindowApplication()
    {
        return new EmptyWindowApplication();
    }
}

int main (int argc, char* argv[])
{
    if (argc > 1 && juce::String (argv[1]) == "--empty-window")
    {
        juce::JUCEApplicationBase::createInstance = &createEmptyWindowApplication;
        return juce::JUCEApplicationBase::main (argc, const_cast<const char**> (argv));
    }

    if (std::getenv ("DISPLAY") == nullptr)
    {
        std::printf ("bench_idle_cpu needs a display (DISPLAY is not set); try xvfb-run.\n");
        return 1;
    }

    const auto program = idlePercentOf ({ testpaths::programFile().getFullPathName() });
    const auto emptyWindow = idlePercentOf ({ juce::File::getSpecialLocation (juce::File::currentExecutableFile).getFullPathName(),
                                              "--empty-window" });

    if (! program.has_value())
    {
        std::printf ("could not measure the program (did it start, and keep running?)\n");
        return 1;
    }

    std::printf ("idle CPU over %.1f s: %.3f %% of one core (target at most 0.5 %%)\n", windowSeconds, *program);

    if (emptyWindow.has_value())
        std::printf ("an empty JUCE window on this display: %.3f %% of one core; the program's own share: %.3f %%\n",
                     *emptyWindow, *program - *emptyWindow);

    return *program <= 0.5 ? 0 : 2;
}

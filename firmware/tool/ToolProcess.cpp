#include "firmware/tool/ToolProcess.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <memory>
#include <thread>

namespace halvik
{
    namespace
    {
        constexpr int lookIntervalMs = 10;
        constexpr int reapLimitMs = 5000;
        constexpr int readerGraceMs = 1000;

        /** The process and what its reader collected. Shared with the reader
            thread, which may outlive a killed run (see runToolProcess). */
        struct RunningTool
        {
            juce::ChildProcess process;
            juce::String output;
            std::atomic<bool> outputEnded { false };
        };

        void letTimePass()
        {
            auto* messageManager = juce::MessageManager::getInstanceWithoutCreating();

            // A loop that was told to quit returns at once; then just sleep.
            if (messageManager == nullptr || ! messageManager->isThisTheMessageThread()
                || ! messageManager->runDispatchLoopUntil (lookIntervalMs))
                juce::Thread::sleep (lookIntervalMs);
        }

        void waitForReader (const RunningTool& tool, int limitMs)
        {
            for (int waited = 0; ! tool.outputEnded && waited < limitMs; waited += 1)
                juce::Thread::sleep (1);
        }
    }

    ToolRunResult runToolProcess (const juce::StringArray& arguments, int timeoutMs)
    {
        ToolRunResult result;
        auto tool = std::make_shared<RunningTool>();

        // Standard output only: the success markers are looked for there.
        if (! tool->process.start (arguments, juce::ChildProcess::wantStdOut))
            return result;

        result.started = true;

        // The output is read on its own thread so that a talkative program
        // can never block on a full pipe while this side waits for its end.
        std::thread reader ([tool]
        {
            tool->output = tool->process.readAllProcessOutput();
            tool->outputEnded = true;
        });

        const auto deadline = juce::Time::getMillisecondCounterHiRes() + timeoutMs;

        // isRunning also reaps the process once it has ended.
        while (! tool->outputEnded || tool->process.isRunning())
        {
            if (juce::Time::getMillisecondCounterHiRes() >= deadline)
            {
                result.timedOut = true;
                break;
            }

            letTimePass();
        }

        if (result.timedOut)
        {
            tool->process.kill();

            // A killed child stays a zombie until it is waited for.
            for (int waited = 0; tool->process.isRunning() && waited < reapLimitMs; ++waited)
                juce::Thread::sleep (1);

            waitForReader (*tool, readerGraceMs);

            // Something the program started may still hold its output open;
            // the reader then ends whenever that does, keeping the shared state.
            if (! tool->outputEnded)
            {
                reader.detach();
                return result;
            }
        }

        reader.join();

        if (! result.timedOut)
            result.output = tool->output;

        return result;
    }
}

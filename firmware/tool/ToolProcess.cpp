#include "firmware/tool/ToolProcess.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

namespace halvik
{
    namespace
    {
        constexpr int lookIntervalMs = 10;
        constexpr int reapLimitMs = 5000;
        constexpr int readerGraceMs = 1000;

        /** The process and what its reader collected. Shared with the reader
            thread, which may outlive the run (see runToolProcess). */
        struct RunningTool
        {
            juce::ChildProcess process;
            std::atomic<bool> outputEnded { false };

            void append (const void* data, size_t size)
            {
                const std::lock_guard<std::mutex> guard (lock);
                output.append (data, size);
            }

            juce::String getOutput()
            {
                const std::lock_guard<std::mutex> guard (lock);
                return juce::String::createStringFromData (output.getData(), (int) output.getSize());
            }

        private:
            std::mutex lock;
            juce::MemoryBlock output;
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
            // A byte at a time: a longer read waits until it is full or the
            // pipe ends, and what has arrived must be there to keep when
            // something else holds the pipe open.
            char byte = 0;

            while (tool->process.readProcessOutput (&byte, 1) > 0)
                tool->append (&byte, 1);

            tool->outputEnded = true;
        });

        const auto deadline = juce::Time::getMillisecondCounterHiRes() + timeoutMs;

        // Once isRunning has said no, the child is reaped and its process id
        // may already belong to another process: it is neither asked about
        // nor killed again.
        bool reaped = false;

        while (! reaped)
        {
            if (! tool->process.isRunning())
            {
                reaped = true;
                break;
            }

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
            for (int waited = 0; waited < reapLimitMs; ++waited)
            {
                if (! tool->process.isRunning())
                    break;

                juce::Thread::sleep (1);
            }
        }

        // The pipe ends with the program, unless something it started still
        // holds it open. Then the reader is left to end whenever that does,
        // keeping the shared state, and a run that ended by itself keeps what
        // it printed so far.
        waitForReader (*tool, readerGraceMs);

        if (tool->outputEnded)
            reader.join();
        else
            reader.detach();

        if (! result.timedOut)
            result.output = tool->getOutput();

        return result;
    }
}

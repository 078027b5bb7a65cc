#include "firmware/tool/ToolProcess.h"

#include "firmware/tool/GroupedChildProcess.h"

#include <juce_events/juce_events.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace halvik
{
    namespace
    {
        constexpr int lookIntervalMs = 10;
        constexpr size_t keptOutputBytes = 64 * 1024;

        /** The last part of a program's output, and which of the marker texts
            appeared anywhere in all of it. */
        class KeptOutput
        {
        public:
            explicit KeptOutput (const juce::StringArray& markerTexts)
            {
                for (auto& text : markerTexts)
                    markers.push_back ({ text.toStdString(), false });
            }

            void append (const char* data, size_t size)
            {
                const auto before = tail.size();
                tail.append (data, size);

                // From a little before the new bytes: a marker may have begun
                // in the earlier ones.
                for (auto& marker : markers)
                    if (! marker.found)
                        marker.found = tail.find (marker.text, before - std::min (before, marker.text.size() - 1)) != std::string::npos;

                // Dropped in large steps, so that most appends move nothing.
                if (tail.size() > 2 * keptOutputBytes)
                    tail.erase (0, tail.size() - keptOutputBytes);
            }

            juce::String text() const
            {
                auto start = tail.size() - std::min (tail.size(), keptOutputBytes);

                // Not from the middle of a character.
                while (start < tail.size() && (tail[start] & 0xc0) == 0x80)
                    ++start;

                return juce::String (juce::CharPointer_UTF8 (tail.data() + start),
                                     juce::CharPointer_UTF8 (tail.data() + tail.size()));
            }

            juce::StringArray found() const
            {
                juce::StringArray texts;

                for (auto& marker : markers)
                    if (marker.found)
                        texts.add (juce::String::fromUTF8 (marker.text.c_str()));

                return texts;
            }

        private:
            struct Marker
            {
                std::string text;
                bool found;
            };

            std::vector<Marker> markers;
            std::string tail;
        };

        void letTimePass()
        {
            auto* messageManager = juce::MessageManager::getInstanceWithoutCreating();

            // A loop that was told to quit returns at once; then just sleep.
            if (messageManager == nullptr || ! messageManager->isThisTheMessageThread()
                || ! messageManager->runDispatchLoopUntil (lookIntervalMs))
                juce::Thread::sleep (lookIntervalMs);
        }
    }

    ToolRunResult runToolProcess (const juce::StringArray& arguments, int timeoutMs, const juce::StringArray& markers)
    {
        ToolRunResult result;
        GroupedChildProcess tool;

        if (! tool.start (arguments))
            return result;

        result.started = true;

        KeptOutput kept (markers);
        std::vector<char> chunk (keptOutputBytes);
        std::atomic<bool> stopReading { false };

        // The output is read on its own thread so that a talkative program
        // can never block on a full pipe while this side waits for its end.
        std::thread reader ([&]
        {
            while (! stopReading)
            {
                const auto count = tool.readOutput (chunk.data(), (int) chunk.size(), lookIntervalMs);

                if (count == 0)
                    break;

                if (count > 0)
                    kept.append (chunk.data(), (size_t) count);
            }
        });

        const auto deadline = juce::Time::getMillisecondCounterHiRes() + timeoutMs;

        while (! tool.hasExited())
        {
            if (juce::Time::getMillisecondCounterHiRes() >= deadline)
            {
                result.timedOut = true;
                break;
            }

            letTimePass();
        }

        stopReading = true;
        reader.join();

        // Everything the program printed before its end has been read or is
        // in the pipe now: that much is taken, and nothing more is waited for,
        // so that the window goes on at once. Whatever still holds the pipe
        // open is something it left running, whose output is not the
        // program's; in the group it is ended below, and one that left the
        // group (a daemon) is not waited for.
        if (! result.timedOut)
        {
            for (auto left = tool.waitingOutputBytes(); left > 0;)
            {
                const auto count = tool.readOutput (chunk.data(), juce::jmin (left, (int) chunk.size()), 0);

                if (count <= 0)
                    break;

                kept.append (chunk.data(), (size_t) count);
                left -= count;
            }

            result.output = kept.text();
            result.markersFound = kept.found();
        }

        tool.endGroup();
        return result;
    }
}

#pragma once

#include <juce_events/juce_events.h>
#include <functional>

namespace testsupport
{
    /** Runs the message loop in short slices until the condition holds; gives up
        after a generous limit so that a fault fails the test instead of hanging it.
        Returns the condition's last answer. Message thread. */
    inline bool dispatchUntil (std::function<bool()> condition, int limitMs = 10000)
    {
        for (int elapsed = 0; ! condition() && elapsed < limitMs; elapsed += 10)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (10);

        return condition();
    }
}

#pragma once

#include <juce_events/juce_events.h>

#include <functional>
#include <unistd.h>

namespace sim
{

/** Runs an action once, on the message thread, as soon as a condition holds.
    The condition is asked once each time the message loop dispatches, so
    also inside the program's waits that keep the loop running (with
    simulated pauses those still dispatch once). It stops asking when the
    watch goes. Message thread.

    (A message that posts itself again cannot do this: the message queue
    runs until it is empty, so it would never let the waiting code go on.
    The watch is called by the event loop instead, through a pipe that it
    keeps readable.)

    Not while a modal loop is entered from inside a message (a dialog opened
    by a posted click, say): JUCE's Linux loop walks one shared list of ready
    callbacks, which the nested loop refills under the outer walk, and the
    watch's always-ready pipe makes that list grow, so the outer walk reads
    freed memory. WhileADialogRuns, on a timer, is for that case. */
class MessageWatch
{
public:
    MessageWatch (std::function<bool()> conditionToWatch, std::function<void()> actionToRun)
        : condition (std::move (conditionToWatch)), action (std::move (actionToRun))
    {
        if (::pipe (pipeEnds) != 0)
            return;

        // One byte that nobody reads keeps the pipe readable: the event loop
        // calls the watch on every dispatch until it has fired.
        const char byte = 1;
        [[maybe_unused]] auto written = ::write (pipeEnds[1], &byte, 1);
        juce::LinuxEventLoop::registerFdCallback (pipeEnds[0], [this] (int) { check(); });
    }

    ~MessageWatch()
    {
        if (pipeEnds[0] >= 0)
            juce::LinuxEventLoop::unregisterFdCallback (pipeEnds[0]);

        for (auto end : pipeEnds)
            if (end >= 0)
                ::close (end);
    }

    bool hasFired() const noexcept  { return fired; }

private:
    void check()
    {
        if (fired || ! condition())
            return;

        fired = true;
        char byte = 0;
        [[maybe_unused]] auto taken = ::read (pipeEnds[0], &byte, 1);   // no more calls
        action();
    }

    std::function<bool()> condition;
    std::function<void()> action;
    int pipeEnds[2] { -1, -1 };
    bool fired = false;

    JUCE_DECLARE_NON_COPYABLE (MessageWatch)
};

} // namespace sim

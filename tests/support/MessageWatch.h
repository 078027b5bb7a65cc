#pragma once

#include <juce_events/juce_events.h>

#include <functional>
#include <unistd.h>

namespace sim
{

/** Runs an action once, on the message thread, as soon as a condition holds:
    the condition is asked each time the message loop dispatches, also inside
    the program's waits (simulated pauses still dispatch once). A message that
    posts itself again cannot do this (the queue runs until it is empty, so
    the waiting code would never go on); the event loop calls the watch
    instead, through a pipe that it keeps readable. Message thread.

    Not while a modal loop is entered from inside a message (a dialog opened
    by a posted click): JUCE's Linux loop walks one shared list of ready
    callbacks, which the nested loop refills under the outer walk, and the
    always-ready pipe makes it grow, so the outer walk reads freed memory.
    WhileADialogRuns, on a timer, is for that case. */
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

#pragma once

#include <juce_events/juce_events.h>

#include <functional>
#include <memory>

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
    MessageWatch (std::function<bool()> condition, std::function<void()> action);
    ~MessageWatch();

    bool hasFired() const noexcept  { return fired; }

private:
    void check();
    void stopBeingCalled();

    std::function<bool()> condition;
    std::function<void()> action;
    int pipeEnds[2] { -1, -1 };
    bool registered = false;
    bool fired = false;

    JUCE_DECLARE_NON_COPYABLE (MessageWatch)
};

} // namespace sim

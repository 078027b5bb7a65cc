#pragma once

#include "support/EventScheduler.h"

#include <juce_core/juce_core.h>

#include <memory>

namespace sim
{

/** Virtual time for tests: the program's pauses and reply waits, and the
    simulated devices' scheduled events, all run on it, so a test of minutes
    of protocol takes milliseconds and always goes the same way.

    Give it to SimulatedMidiPorts (setClock) and every pause, message-loop wait
    and reply wait of the program goes through it. A wait blocks its thread
    until virtual time reaches its end (or, for a reply wait, its condition
    holds). Time moves on only while every thread that has ever waited on the
    clock (and is still alive) is waiting: then it jumps to the next thing that
    happens, an event or the end of a wait. So a worker thread and the message
    thread waiting for it share one time line. Events run on whichever waiting
    thread moves the time, one at a time, without the clock's lock held: for a
    device that answers the program, that thread stands in for the MIDI input
    thread.

    A wait that dispatches messages (the message thread) dispatches what is
    pending at its start and, while another thread holds the time up, every
    millisecond of real time.
*/
class VirtualClock final : public EventScheduler
{
public:
    VirtualClock();
    ~VirtualClock() override;

    /** Virtual microseconds since construction. Any thread. */
    double now() const;

    void schedule (const void* owner, double delayMicroseconds, std::function<void()> event) override;
    void cancel (const void* owner) override;

    //==============================================================================
    // The program's waits (SimulatedMidiPorts forwards them here).

    /** Blocks until the time has passed. */
    void sleep (double microseconds);

    /** The same while the message loop runs. Message thread. */
    void sleepDispatchingMessages (double microseconds);

    /** The same, ending early once the condition holds; the condition's last
        answer. It dispatches only while another thread holds the time up. */
    bool waitDispatchingMessagesFor (const std::function<bool()>& condition, double timeoutMicroseconds);

    /** Blocks until the condition holds or the time is up; the condition's last answer. */
    bool waitFor (const std::function<bool()>& condition, double timeoutMicroseconds);

    /** Something a waiting condition reads has changed. Any thread. */
    void notify();

    struct Core;

private:
    std::shared_ptr<Core> core;

    JUCE_DECLARE_NON_COPYABLE (VirtualClock)
};

} // namespace sim

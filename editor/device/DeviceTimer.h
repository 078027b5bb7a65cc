#pragma once

#include <juce_events/juce_events.h>

namespace NsDravel
{

/**
    The editor's heartbeat for the keyboard link.

    Every tick it redraws the window title with the connection state and the
    traffic marks, connects to the keyboard by itself when the port list
    changes or after a quiet spell, asks for the firmware version with a
    growing back-off, and carries out the sends the editor has only requested:
    the settings image, the user curve and the store command.
    Message thread only.
*/
class MyTimer final : public juce::Timer
{
public:
    MyTimer() = default;

    /** Stops the timer, runs one tick, and starts it again with period, so
        that a long tick delays the next one rather than queuing it. */
    void timerCallback() override;

    /** One tick, without touching the timer itself. */
    void tick();

    /** One pacing step over a counter the caller owns: adds 1 to the counter
        and, when it reaches the divisor, pauses for the given milliseconds and
        starts the count again. */
    static void pauseEveryNthSend (int& counter, int divisor, double milliseconds);

    /** Milliseconds between ticks. */
    int period = 333;

    /** Quiet ticks counted towards the next rescan. */
    int idleTicks = 0;

private:
    void reconnectStep();
    void sendPendingWork();

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MyTimer)
};

/** The window title: name, " ", version, the processor's description after
    " - " when there is one, the status, " ", then "<" when something was
    received and ">" when something was sent. */
juce::String buildWindowTitle (juce::String status, bool received, bool sent,
                               juce::String name, juce::String version);

/** Names the editor's top-level window, when the editor exists. */
void setWindowTitle (juce::String title);

/** The text with its first character in upper case. */
juce::String capitalizeFirstLetter (juce::String text);

/** How many three-byte packets n bytes make (n / 3, rounded up). */
int packetCountForBytes (int n);

} // namespace NsDravel

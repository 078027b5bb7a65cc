#include "firmware/midi/UpgraderWaits.h"

#include "common/WaitingWindowEvents.h"
#include "midi/MidiPortSystem.h"

namespace halvik
{
    bool midiPacingEnabled()
    {
        return true;
    }

    void sleepMilliseconds (double ms)
    {
        NsDravel::pauseMicroseconds (ms * 1000.0);
    }

    void waitWithMessageLoop (float ms, bool plainSleep)
    {
        if (plainSleep)
            NsDravel::pauseMicroseconds ((double) juce::roundToInt (ms * 1000.0f));
        else
            NsDravel::waitDispatchingMessages ((double) juce::roundToInt (ms));
    }

    void letQueuedInputThrough()
    {
        // The window's own calls to the server may have read the events off
        // the display's connection, where the loop below would not see them.
        handOverWaitingWindowEvents();

        auto* messageManager = juce::MessageManager::getInstance();

        // One pass of the loop runs every callback whose input is ready, the
        // display's events and the message queue each to its end; it sleeps
        // only when nothing at all is ready, which the message posted here
        // rules out.
        messageManager->callAsync ([] {});
        messageManager->runDispatchLoopUntil (0);
    }

    void paceMidiOutput (int& counter, int every, float ms, bool plainSleep)
    {
        if (! midiPacingEnabled())
            return;

        if (++counter == every)
        {
            waitWithMessageLoop (ms, plainSleep);
            counter = 0;
        }
    }
}

#include "firmware/midi/UpgraderWaits.h"

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

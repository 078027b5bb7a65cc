#pragma once

#include <juce_core/juce_core.h>

/** The upgrader's waits. Every pause goes through the program's MIDI seam
    (midi/MidiPortSystem.h), so tests can run them in virtual time. */
namespace halvik
{
    /** Whether the MIDI upload paces its output with short waits. The waits
        keep a unit's MIDI input from being flooded; they are always on. */
    bool midiPacingEnabled();

    /** Waits ms milliseconds: a plain thread sleep (plainSleep), or a wait
        during which the message loop runs in slices of at most 100 ms (message
        thread only). */
    void waitWithMessageLoop (float ms, bool plainSleep);

    /** Called after every message the upload sends: every `every` messages it
        waits ms milliseconds (see waitWithMessageLoop). */
    void paceMidiOutput (int& counter, int every, float ms, bool plainSleep);

    /** A plain thread sleep of ms milliseconds. */
    void sleepMilliseconds (double ms);

    /** Dispatches the messages and the input that are already waiting (a key
        typed while a download or a plain pause held the message thread, say),
        the window system's events that some call to the server has already
        read in included, and returns without waiting for more. Message thread
        only. */
    void letQueuedInputThrough();
}

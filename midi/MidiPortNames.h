#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

#include <optional>

namespace NsDravel
{
    /** The MIDI outputs the program can send to, in the system's order: names
        and identifiers. Inside a PortListScope the list is read once and reused. */
    juce::Array<juce::MidiDeviceInfo> listMidiOutputs();

    /** The MIDI inputs the program can read from, in the system's order; the
        same reuse inside a PortListScope. */
    juce::Array<juce::MidiDeviceInfo> listMidiInputs();

    /** Names of the MIDI outputs the program can send to, in the system's order. */
    juce::StringArray listMidiOutputNames();

    /** Names of the MIDI inputs the program can read from, in the system's order. */
    juce::StringArray listMidiInputNames();

    /**
        While one of these exists, listMidiOutputs and listMidiInputs ask the
        port system at most once each and hand out the same lists after that.

        Reading the lists is not free: on ALSA each reading opens the MIDI
        sequencer anew. A timer tick looks at the lists in many places (the
        watch for a changed port list, the search for the keyboard, each
        opening of its port pairs, each send by name) and takes one reading
        for all of them. A scope inside another uses the outer one's lists. A
        scope works only on the thread that made it; lists read on any other
        thread meanwhile are read afresh.
    */
    class PortListScope
    {
    public:
        /** Starts reusing the lists on this thread, unless an outer scope already does. */
        PortListScope();

        /** Ends the reuse this scope started; the next reading asks the system again. */
        ~PortListScope();

    private:
        friend juce::Array<juce::MidiDeviceInfo> listMidiOutputs();
        friend juce::Array<juce::MidiDeviceInfo> listMidiInputs();

        std::optional<juce::Array<juce::MidiDeviceInfo>> outputs, inputs;

        JUCE_DECLARE_NON_COPYABLE (PortListScope)
    };
}

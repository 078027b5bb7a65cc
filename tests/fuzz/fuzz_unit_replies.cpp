// The upgrader's MIDI input on any bytes a unit may send: they are cut into
// messages as the system's MIDI input cuts them, and each goes to the
// handler's callback as it would from the input thread.

#include "firmware/UpgraderState.h"
#include "firmware/midi/UpgraderMidiHandler.h"

// What JUCE's ALSA input uses to cut the byte stream into messages; not part
// of the module's public header.
#include <juce_audio_basics/midi/juce_MidiDataConcatenator.h>

namespace
{
    // The handler reports to an upgrade window, which is built but never
    // shown. Building it connects to an X display: scripts/fuzz runs this
    // target under a virtual display of its own.
    struct Upgrader
    {
        juce::ScopedJuceInitialiser_GUI juce;
        halvik::FirmwareUpgradeComponent window { 0x1022, false };
        halvik::FirmwareUpgradeComponent::MidiInputHandler handler { window };
    };
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    static Upgrader upgrader;

    halvik::resetReplyFlags();
    juce::MidiDataConcatenator concatenator (2048);
    concatenator.pushMidiData (data, (int) size, 0.0, static_cast<juce::MidiInput*> (nullptr), upgrader.handler);
    return 0;
}

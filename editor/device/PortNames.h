#pragma once

#include <juce_core/juce_core.h>

/** How the editor recognises its keyboard among the system's MIDI ports, by
    name alone. Pure functions of their arguments, except where noted.

    Two naming schemes are understood. Windows lists a device's second port
    under numbered names, "MIDIIN2 (Dravel 49)" for the input and
    "MIDIOUT2 (Dravel 49)" for the output. ALSA lists port n of a USB device
    as "Dravel 49 MIDI <n>", one name for both directions. Any other name is
    port 1 and is the same for both directions. */
namespace NsDravel
{
    /** Product ids of the keyboards this editor serves (sizes 25 to 88). */
    constexpr int firstKeyboardProductId = 0x1020;
    constexpr int lastKeyboardProductId  = 0x1024;

    /** The name is a numbered Windows input name, "MIDIIN? (*" (case-sensitive). */
    bool isMidiInPortName (juce::String name);

    /** The name is a numbered Windows output name, "MIDIOUT? (*" (case-sensitive). */
    bool isMidiOutPortName (juce::String name);

    /** The name of the port of the other direction on the same device:
        "MIDIOUT" becomes "MIDIIN" in a numbered output name (isOutput true),
        "MIDIIN" becomes "MIDIOUT" in a numbered input name (isOutput false);
        every other name is its own companion. */
    juce::String companionPortName (juce::String name, bool isOutput);

    /** The device port a name stands for: the digit of a numbered Windows name
        (-1 when that character is not a digit), n for a name that ends in
        " MIDI <n>" (1 when n is too large for an int), 1 for any other name. */
    int portNumberOfName (juce::String name);

    /** The name may belong to one of the maker's devices: it contains "Dravel",
        or both "halvik" and "midi" (case-sensitive). */
    bool isProductPortName (juce::String name);

    /** The port is the system's own rather than a device's: the software
        synthesizer Windows lists ("Microsoft ...") or the loopback ALSA lists
        on every Linux desktop ("Midi Through Port-0"). Case-sensitive. */
    bool isSystemPortName (const juce::String& name);

    /** The product port names among these output names, in their order, each
        once, without empty or blank names. */
    juce::StringArray getCandidateDeviceNames (juce::StringArray outputNames);

    /** The same for the system's MIDI outputs now. Message thread. */
    juce::StringArray getCandidateDeviceNames();

    /** The first candidate whose product id is one of the keyboards, or an
        empty String when there is none. */
    juce::String findDravelDeviceName (juce::StringArray outputNames);

    /** The same for the system's MIDI outputs now. Message thread. */
    juce::String findDravelDeviceName();

    /** The id is one of the keyboards 0x1020 to 0x1024. */
    bool isDravelModelRange (int productId);

    /** The id is one of the keyboards, or the id of the last detected device
        (NsDravel::detectedProductId). */
    bool isDravelProductId (int productId);

    /** The product filter the device timer opens ports with: isDravelProductId. */
    bool dravelProductFilter (int productId);

    /** The port filter the editor opens ports with: the keyboard talks to the
        editor on its second port. */
    bool isSecondPort (int portNumber);
}

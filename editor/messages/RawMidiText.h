#pragma once

#include <juce_core/juce_core.h>

#include <vector>

namespace NsDravel
{

/** What the raw-MIDI sender offers to send: the wake-up EF 7F 7F followed by
    the version request of the Dravel 49. */
extern const char* const defaultRawMidiText;

/** Turns the text typed into the raw-MIDI sender into the bytes to send.

    Blanks, tabs and line ends anywhere are ignored, and digits may be upper or
    lower case; what remains must be pairs of hexadecimal digits, one pair per
    byte. Otherwise the result fails with the message to show the user ("Wrong
    length!" for an odd number of digits, "Not a hexadecimal number!" for any
    other character) and bytes is left empty. Empty text succeeds with no
    bytes. Pure; any thread.
*/
juce::Result parseRawMidiText (const juce::String& text, std::vector<juce::uint8>& bytes);

} // namespace NsDravel

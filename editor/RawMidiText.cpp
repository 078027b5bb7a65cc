#include "editor/RawMidiText.h"

namespace NsDravel
{

// EF 7F 7F: pitch bend on channel 16, centre up (wake-up);
// F0 1D 03 20 23 00 01 00 F7: version request for product 0x1023.
const char* const defaultRawMidiText = "EF7F7F F01D03 202300 0100F7";

juce::Result parseRawMidiText (const juce::String& text, std::vector<juce::uint8>& bytes)
{
    bytes.clear();

    const auto digits = text.removeCharacters (" \t\r\n").toUpperCase();

    if (digits.length() % 2 != 0)
        return juce::Result::fail ("Wrong length!");

    if (! digits.containsOnly ("0123456789ABCDEF"))
        return juce::Result::fail ("Not a hexadecimal number!");

    bytes.reserve ((size_t) digits.length() / 2);

    for (int i = 0; i < digits.length(); i += 2)
        bytes.push_back ((juce::uint8) (digits.substring (i, i + 2).getHexValue32() & 0xFF));

    return juce::Result::ok();
}

} // namespace NsDravel

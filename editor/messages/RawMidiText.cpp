#include "editor/messages/RawMidiText.h"

namespace NsDravel
{

// EF 7F 7F: pitch bend on channel 16, centre up (wake-up);
// F0 1D 03 20 23 00 01 00 F7: version request for product 0x1023.
const char* const defaultRawMidiText = "EF7F7F F01D03 202300 0100F7";

namespace
{
    bool isIgnoredInRawMidiText (juce::juce_wchar c)
    {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n';
    }
}

juce::Result parseRawMidiText (const juce::String& text, std::vector<juce::uint8>& bytes)
{
    bytes.clear();

    // One walk over the text: juce::String indexes by character from the start,
    // so cutting it into pieces per byte would take time growing with the
    // square of the length.
    std::vector<juce::uint8> decoded;
    decoded.reserve ((size_t) text.length() / 2);

    int characterCount = 0;
    bool allHex = true;
    int pendingHighDigit = 0;

    for (auto p = text.getCharPointer(); ! p.isEmpty();)
    {
        const auto c = p.getAndAdvance();

        if (isIgnoredInRawMidiText (c))
            continue;

        const auto value = juce::CharacterFunctions::getHexDigitValue (c);

        if (value < 0)
            allHex = false;

        if (characterCount++ % 2 == 0)
            pendingHighDigit = value;
        else if (allHex)
            decoded.push_back ((juce::uint8) ((pendingHighDigit << 4) | value));
    }

    // An odd count is reported first, whatever the characters are.
    if (characterCount % 2 != 0)
        return juce::Result::fail ("Wrong length!");

    // Refused as a whole rather than decoded around the stray characters: a typo
    // would otherwise reach the keyboard as a byte that nobody typed.
    if (! allHex)
        return juce::Result::fail ("Not a hexadecimal number!");

    bytes = std::move (decoded);
    return juce::Result::ok();
}

} // namespace NsDravel

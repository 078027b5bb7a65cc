// The raw-MIDI sender's text reader on any text. Accepted text gives exactly
// its hexadecimal digits back; refused text leaves no bytes and says why.

#include "editor/messages/RawMidiText.h"

#include <cstdio>
#include <cstdlib>

namespace
{
    [[noreturn]] void fault (const char* what)
    {
        std::fprintf (stderr, "raw MIDI text: %s\n", what);
        std::abort();
    }
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    // The text comes from a text box: Unicode characters, ending at the first
    // U+0000. A round trip through UTF-32 gives such a text from any bytes
    // that pass as UTF-8 (an overlong C0 80 becomes the end of the text).
    const auto* chars = reinterpret_cast<const char*> (data);

    if (size > 1 << 20 || ! juce::CharPointer_UTF8::isValidString (chars, (int) size))
        return 0;

    const juce::String text (juce::String::fromUTF8 (chars, (int) size).toUTF32());
    std::vector<juce::uint8> bytes { 0x55 };
    const auto result = NsDravel::parseRawMidiText (text, bytes);
    const auto digits = text.removeCharacters (" \t\r\n");

    if (result.wasOk() && juce::String::toHexString (bytes.data(), (int) bytes.size(), 0) != digits.toLowerCase())
        fault ("the bytes are not the text's digits");

    if (result.failed() && ! bytes.empty())
        fault ("bytes left behind after a refusal");

    if (result.failed() && result.getErrorMessage() != (digits.length() % 2 != 0 ? "Wrong length!" : "Not a hexadecimal number!"))
        fault ("the wrong reason");

    return 0;
}

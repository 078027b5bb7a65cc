#include <gtest/gtest.h>

#include "editor/RawMidiText.h"

namespace
{
    /** The bytes a text stands for, as "ef 7f 7f", or the complaint about it. */
    juce::String parse (const juce::String& text)
    {
        std::vector<juce::uint8> bytes { 0x55 };   // whatever was there before must go
        const auto result = NsDravel::parseRawMidiText (text, bytes);

        if (result.failed())
            return bytes.empty() ? result.getErrorMessage() : "bytes left behind";

        return juce::String::toHexString (bytes.data(), (int) bytes.size());
    }
}

TEST (RawMidiText, BlanksLineBreaksAndLowerCaseDigitsAreAccepted)
{
    const auto offered = "ef 7f 7f f0 1d 03 20 23 00 01 00 f7";
    EXPECT_EQ (parse (NsDravel::defaultRawMidiText), offered);
    EXPECT_EQ (parse (" ef 7f7f\r\nF0 1d\t03\n2023 00 01\n00f7 \n"), offered);
    EXPECT_EQ (parse ("  \r\n"), "");
}

TEST (RawMidiText, TextThatIsNotWholeBytesIsRefusedWithItsReason)
{
    EXPECT_EQ (parse (juce::String (NsDravel::defaultRawMidiText) + "0"), "Wrong length!");

    for (auto text : { "EF7G7F", "0x90", "903C;40;", "F0 1D__F7" })
        EXPECT_EQ (parse (text), "Not a hexadecimal number!") << text;
}

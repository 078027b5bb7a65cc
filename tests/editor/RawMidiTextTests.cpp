#include <gtest/gtest.h>

#include "editor/messages/RawMidiText.h"

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

TEST (RawMidiText, ALongTextGivesEveryByteInOrder)
{
    // 100,000 characters: every byte value in turn, in mixed case, grouped and
    // broken into lines as a person pasting a dump would.
    juce::String text;
    std::vector<juce::uint8> expected;

    for (int i = 0; text.length() < 100000; ++i)
    {
        const auto byte = (juce::uint8) (i * 7);
        expected.push_back (byte);
        auto pair = juce::String::toHexString ((int) byte).paddedLeft ('0', 2);
        text << (i % 2 == 0 ? pair.toUpperCase() : pair) << (i % 16 == 15 ? "\r\n" : (i % 4 == 3 ? " " : ""));
    }

    std::vector<juce::uint8> bytes;
    ASSERT_TRUE (NsDravel::parseRawMidiText (text, bytes).wasOk());
    EXPECT_EQ (bytes, expected);

    EXPECT_EQ (parse (text + "g"), "Wrong length!");
    EXPECT_EQ (parse ("g" + text + "g"), "Not a hexadecimal number!");
}

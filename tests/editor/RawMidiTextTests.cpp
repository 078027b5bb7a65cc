#include <gtest/gtest.h>

#include "editor/RawMidiText.h"

namespace
{
    struct Parsed
    {
        juce::Result result;
        std::vector<juce::uint8> bytes;
    };

    Parsed parse (const juce::String& text)
    {
        std::vector<juce::uint8> bytes { 0x55 };   // whatever was there before must go
        auto result = NsDravel::parseRawMidiText (text, bytes);
        return { result, bytes };
    }

    const std::vector<juce::uint8> wakeUpAndVersionRequest { 0xEF, 0x7F, 0x7F,                // wake-up
                                                             0xF0, 0x1D, 0x03, 0x20, 0x23,    // SysEx, product 0x1023
                                                             0x00, 0x01, 0x00, 0xF7 };        // version request
}

TEST (RawMidiText, TheOfferedTextIsTheWakeUpFollowedByAVersionRequest)
{
    const auto parsed = parse (NsDravel::defaultRawMidiText);
    EXPECT_TRUE (parsed.result.wasOk());
    EXPECT_EQ (parsed.bytes, wakeUpAndVersionRequest);
}

TEST (RawMidiText, BlanksLineBreaksAndLowerCaseDigitsAreAccepted)
{
    const auto parsed = parse (" ef 7f7f\r\nF0 1d\t03\n2023 00 01\n00f7 \n");
    EXPECT_TRUE (parsed.result.wasOk());
    EXPECT_EQ (parsed.bytes, wakeUpAndVersionRequest);
}

TEST (RawMidiText, AnOddNumberOfDigitsIsRefusedAsAWrongLength)
{
    const auto parsed = parse (juce::String (NsDravel::defaultRawMidiText) + "0");
    EXPECT_EQ (parsed.result.getErrorMessage(), "Wrong length!");
    EXPECT_TRUE (parsed.bytes.empty());
}

TEST (RawMidiText, CharactersThatAreNotHexDigitsAreRefused)
{
    for (auto text : { "EF7G7F", "0x90", "903C;40;", "F0 1D__F7" })
    {
        const auto parsed = parse (text);
        EXPECT_EQ (parsed.result.getErrorMessage(), "Not a hexadecimal number!") << text;
        EXPECT_TRUE (parsed.bytes.empty()) << text;
    }
}

TEST (RawMidiText, EmptyOrBlankTextGivesNoBytesAndNoComplaint)
{
    for (auto text : { "", "   ", "\r\n" })
    {
        const auto parsed = parse (text);
        EXPECT_TRUE (parsed.result.wasOk()) << text;
        EXPECT_TRUE (parsed.bytes.empty()) << text;
    }
}

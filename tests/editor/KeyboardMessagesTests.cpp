#include <gtest/gtest.h>
#include "editor/KeyboardMessages.h"
#include "editor/VelocityCurves.h"

#include <vector>

using namespace NsDravel;

namespace
{
    using Bytes = std::vector<int>;

    Bytes bytesOf (const juce::MidiMessage& message)
    {
        const auto* data = message.getRawData();
        return Bytes (data, data + message.getRawDataSize());
    }

    bool hasOnlyDataBytesInside (const juce::MidiMessage& message)
    {
        const auto bytes = bytesOf (message);
        for (size_t i = 1; i + 1 < bytes.size(); ++i)
            if (bytes[i] >= 0x80)
                return false;
        return bytes.front() == 0xF0 && bytes.back() == 0xF7;
    }

    juce::MidiMessage sysex (Bytes bytes)
    {
        std::vector<juce::uint8> raw (bytes.begin(), bytes.end());
        return juce::MidiMessage (raw.data(), (int) raw.size());
    }

    struct UserCurveReset : ::testing::Test
    {
        void TearDown() override { resetUserVelocityCurve(); }
    };
}

TEST (KeyboardMessages, ProductIdTravelsAsTwoSevenBitBytes)
{
    EXPECT_EQ (bytesOf (makeVersionRequestSysex (0x1022)),
               (Bytes { 0xF0, 0x1D, 0x03, 0x20, 0x22, 0x00, 0x01, 0x00, 0xF7 }));
    EXPECT_EQ (bytesOf (makeVersionRequestSysex (0x1024)),
               (Bytes { 0xF0, 0x1D, 0x03, 0x20, 0x24, 0x00, 0x01, 0x00, 0xF7 }));
}

TEST (KeyboardMessages, ModeSelectSendsTheModeIndexPlusOne)
{
    EXPECT_EQ (bytesOf (makeModeSelectSysex (0x1020, 0)),
               (Bytes { 0xF0, 0x1D, 0x03, 0x20, 0x20, 0x00, 0x01, 0x7F, 0xF7 }));
    EXPECT_EQ (bytesOf (makeModeSelectSysex (0x1022, 10)),
               (Bytes { 0xF0, 0x1D, 0x03, 0x20, 0x22, 0x00, 0x0B, 0x7F, 0xF7 }));
}

TEST (KeyboardMessages, ParameterWritesCarryNumberAndValue)
{
    EXPECT_EQ (bytesOf (makeParameterSysex (0x1021, endOfSettingsParameter, 0)),
               (Bytes { 0xF0, 0x1D, 0x03, 0x20, 0x21, 0x02, 0x01, 0x00, 0xF7 }));
    EXPECT_EQ (bytesOf (makeParameterSysex (0x1021, saveDeviceSettingsParameter, 1)),
               (Bytes { 0xF0, 0x1D, 0x03, 0x20, 0x21, 0x01, 0x35, 0x01, 0xF7 }));
}

TEST (KeyboardMessages, OutOfRangeArgumentsNeverPutAStatusByteInsideASysex)
{
    EXPECT_EQ (bytesOf (makeParameterSysex (0x1020, 0x0135, 0xF0)),
               (Bytes { 0xF0, 0x1D, 0x03, 0x20, 0x20, 0x01, 0x35, 0x7F, 0xF7 }));

    for (int id : { 0, 0x1020, 0x7FFF, 0x12345, -1 })
    {
        EXPECT_TRUE (hasOnlyDataBytesInside (makeVersionRequestSysex (id))) << id;
        EXPECT_TRUE (hasOnlyDataBytesInside (makeModeSelectSysex (id, 10))) << id;
        EXPECT_TRUE (hasOnlyDataBytesInside (makeParameterSysex (id, 0x0201, 0xFF))) << id;
        EXPECT_TRUE (hasOnlyDataBytesInside (makeCurveDumpSysex (id, 8))) << id;
    }

    EXPECT_TRUE (hasOnlyDataBytesInside (makeModeSelectSysex (0x1020, 255)));
    EXPECT_TRUE (hasOnlyDataBytesInside (makeParameterSysex (0x1020, 0xFFFF, 0)));

    // A curve number outside 1..8 sends a real curve, never bytes from elsewhere
    EXPECT_EQ (bytesOf (makeCurveDumpSysex (0x1020, 99)), bytesOf (makeCurveDumpSysex (0x1020, 8)));
    EXPECT_EQ (bytesOf (makeCurveDumpSysex (0x1020, -3)), bytesOf (makeCurveDumpSysex (0x1020, 1)));
}

TEST (KeyboardMessages, WakeUpAndEndMarkerAreFixed)
{
    EXPECT_EQ (bytesOf (makeWakeUpMessage()), (Bytes { 0xEF, 0x7F, 0x7F }));
    EXPECT_EQ (bytesOf (makeEndMarkerMessage()), (Bytes { 0x9E, 0x7F, 0x7F }));
}

TEST (KeyboardMessages, SettingsBytesTravelAsNibblesOfANoteOn)
{
    const std::pair<int, Bytes> rows[] =
    {
        { 0x90, { 0x9F, 0x09, 0x00 } },
        { 0xF0, { 0x9F, 0x0F, 0x00 } },
        { 0x7F, { 0x9F, 0x07, 0x0F } },
        { 0x00, { 0x9F, 0x00, 0x00 } },
        { 0xFF, { 0x9F, 0x0F, 0x0F } },
    };
    for (auto& [byte, expected] : rows)
        EXPECT_EQ (bytesOf (makeSettingsByteMessage ((juce::uint8) byte)), expected) << byte;

    for (int byte = 0; byte < 256; ++byte)
    {
        const auto bytes = bytesOf (makeSettingsByteMessage ((juce::uint8) byte));
        ASSERT_EQ (bytes.size(), 3u);
        EXPECT_LT (bytes[1], 0x80);
        EXPECT_LT (bytes[2], 0x80);
        EXPECT_EQ (bytes[1] * 16 + bytes[2], byte);
    }
}

TEST_F (UserCurveReset, CurveDumpCarriesTheWholeCurveBetweenHeaderAndEnd)
{
    velocityCurves[userCurveNumber - 1][0] = 99;
    velocityCurves[userCurveNumber - 1][255] = 5;

    const auto bytes = bytesOf (makeCurveDumpSysex (0x1023, 8));

    ASSERT_EQ (bytes.size(), 266u);
    EXPECT_EQ (Bytes (bytes.begin(), bytes.begin() + 9),
               (Bytes { 0xF0, 0x1D, 0x03, 0x20, 0x23, 0x02, 0x02, 0x08, 0x00 }));
    EXPECT_EQ (bytes[9], 99);
    EXPECT_EQ (bytes[264], 5);
    EXPECT_EQ (bytes[265], 0xF7);

    const auto curve3 = bytesOf (makeCurveDumpSysex (0x1023, 3));
    EXPECT_EQ (curve3[7], 3);
    EXPECT_EQ (Bytes (curve3.begin() + 9, curve3.end() - 1),
               Bytes (velocityCurves[2], velocityCurves[2] + 256));
}

TEST_F (UserCurveReset, CurveBytesAboveTheVelocityRangeAreClamped)
{
    velocityCurves[userCurveNumber - 1][10] = 0xF7;
    velocityCurves[userCurveNumber - 1][11] = 0x80;

    const auto bytes = bytesOf (makeCurveDumpSysex (0x1020, 8));
    EXPECT_EQ (bytes[19], 0x7F);
    EXPECT_EQ (bytes[20], 0x7F);
    EXPECT_TRUE (hasOnlyDataBytesInside (makeCurveDumpSysex (0x1020, 8)));
}

TEST (KeyboardMessages, VersionTextFollowsTheReplyDigits)
{
    EXPECT_EQ (makeVersionText (1, 0, 6, 0), "V1.06");
    EXPECT_EQ (makeVersionText (1, 0, 6, 3), "V1.06-3");
    EXPECT_EQ (makeVersionText (2, 13, 4, 0), "V2.34");
    EXPECT_EQ (makeVersionText (1, 10, 23, 0), "V1.03");
    EXPECT_EQ (makeVersionText (0, 0, 0, 0), "");
}

TEST (KeyboardMessages, VersionReplyOfTheProductIsDecoded)
{
    const auto reply = sysex ({ 0xF0, 0x1D, 0x03, 0x20, 0x22, 0x00, 0x01, 1, 0, 6, 3, 0xF7 });
    EXPECT_EQ (decodeVersionReply (reply, 0x1022), juce::String ("V1.06-3"));

    const auto empty = sysex ({ 0xF0, 0x1D, 0x03, 0x20, 0x22, 0x00, 0x01, 0, 0, 0, 0, 0xF7 });
    EXPECT_EQ (decodeVersionReply (empty, 0x1022), juce::String());
}

TEST (KeyboardMessages, OtherMessagesAreNoVersionReply)
{
    const Bytes rejected[] =
    {
        { 0xF0, 0x1D, 0x03, 0x20, 0x22, 0x00, 0x01, 1, 0, 6, 0xF7 },           // 11 bytes
        { 0xF0, 0x1D, 0x03, 0x20, 0x22, 0x00, 0x01, 1, 0, 6, 0, 0, 0xF7 },     // 13 bytes
        { 0xF0, 0x1D, 0x03, 0x20, 0x23, 0x00, 0x01, 1, 0, 6, 0, 0xF7 },        // another keyboard
        { 0xF0, 0x1D, 0x03, 0x21, 0x22, 0x00, 0x01, 1, 0, 6, 0, 0xF7 },
        { 0xF0, 0x1D, 0x03, 0x20, 0x22, 0x00, 0x02, 1, 0, 6, 0, 0xF7 },        // not 00 01
        { 0xF0, 0x1D, 0x03, 0x20, 0x22, 0x01, 0x01, 1, 0, 6, 0, 0xF7 },
        { 0xF0, 0x1E, 0x03, 0x20, 0x22, 0x00, 0x01, 1, 0, 6, 0, 0xF7 },        // another maker
    };
    for (auto& bytes : rejected)
        EXPECT_FALSE (decodeVersionReply (sysex (bytes), 0x1022).has_value()) << bytes.size();

    EXPECT_FALSE (decodeVersionReply (juce::MidiMessage::noteOn (16, 1, (juce::uint8) 2), 0x1022).has_value());
    EXPECT_FALSE (decodeVersionReply (makeWakeUpMessage(), 0x1022).has_value());
}

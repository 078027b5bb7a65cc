#include <gtest/gtest.h>

#include "editor/EditorState.h"
#include "editor/messages/KeyboardMessages.h"
#include "editor/device/PortNames.h"
#include "editor/curves/VelocityCurves.h"

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

    juce::MidiMessage messageOf (Bytes bytes)
    {
        std::vector<juce::uint8> raw (bytes.begin(), bytes.end());
        return juce::MidiMessage (raw.data(), (int) raw.size());
    }

    struct UserCurveReset : ::testing::Test
    {
        void TearDown() override { resetUserVelocityCurve(); }
    };

    struct CurrentDevice : ::testing::Test
    {
        void SetUp() override    { resetProcessState(); }
        void TearDown() override { resetProcessState(); }
    };
}

TEST (KeyboardMessages, SysexCarriesTheProductIdModeIndexPlusOneAndParameterWrites)
{
    // The settings transfer's test checks the mode select and the closing write in place.
    EXPECT_EQ (bytesOf (makeVersionRequestSysex (0x1022)),
               (Bytes { 0xF0, 0x1D, 0x03, 0x20, 0x22, 0x00, 0x01, 0x00, 0xF7 }));
    EXPECT_EQ (bytesOf (makeModeSelectSysex (0x1022, 10)),
               (Bytes { 0xF0, 0x1D, 0x03, 0x20, 0x22, 0x00, 0x0B, 0x7F, 0xF7 }));
    EXPECT_EQ (bytesOf (makeParameterSysex (0x1021, saveDeviceSettingsParameter, 1)),
               (Bytes { 0xF0, 0x1D, 0x03, 0x20, 0x21, 0x01, 0x35, 0x01, 0xF7 }));
}

TEST (KeyboardMessages, OutOfRangeArgumentsNeverPutAStatusByteInsideASysex)
{
    EXPECT_EQ (bytesOf (makeParameterSysex (0x1020, 0x0135, 0xF0)),
               (Bytes { 0xF0, 0x1D, 0x03, 0x20, 0x20, 0x01, 0x35, 0x7F, 0xF7 }));

    for (int id : { 0, 0x7FFF, 0x12345, -1 })
    {
        EXPECT_TRUE (hasOnlyDataBytesInside (makeVersionRequestSysex (id))) << id;
        EXPECT_TRUE (hasOnlyDataBytesInside (makeModeSelectSysex (id, 255))) << id;
        EXPECT_TRUE (hasOnlyDataBytesInside (makeParameterSysex (id, 0xFFFF, 0xFF))) << id;
        EXPECT_TRUE (hasOnlyDataBytesInside (makeCurveDumpSysex (id, 8))) << id;
    }

    // A curve number outside 1..8 sends a real curve, never bytes from elsewhere
    EXPECT_EQ (bytesOf (makeCurveDumpSysex (0x1020, 99)), bytesOf (makeCurveDumpSysex (0x1020, 8)));
    EXPECT_EQ (bytesOf (makeCurveDumpSysex (0x1020, -3)), bytesOf (makeCurveDumpSysex (0x1020, 1)));
}

TEST (KeyboardMessages, SettingsBytesTravelAsNibblesOfANoteOn)
{
    for (int byte = 0; byte < 256; ++byte)
        EXPECT_EQ (bytesOf (makeSettingsByteMessage ((juce::uint8) byte)), (Bytes { 0x9F, byte >> 4, byte & 0x0F })) << byte;
}

TEST_F (UserCurveReset, CurveDumpCarriesTheWholeCurveClampedToDataBytes)
{
    velocityCurves[userCurveNumber - 1][0] = 99;
    velocityCurves[userCurveNumber - 1][10] = 0xF7;
    velocityCurves[userCurveNumber - 1][255] = 5;

    const auto bytes = bytesOf (makeCurveDumpSysex (0x1023, 8));

    ASSERT_EQ (bytes.size(), 266u);
    EXPECT_EQ (Bytes (bytes.begin(), bytes.begin() + 9),
               (Bytes { 0xF0, 0x1D, 0x03, 0x20, 0x23, 0x02, 0x02, 0x08, 0x00 }));
    EXPECT_EQ (bytes[9], 99);
    EXPECT_EQ (bytes[19], 0x7F);
    EXPECT_EQ (bytes[264], 5);
    EXPECT_EQ (bytes[265], 0xF7);

    const auto curve3 = bytesOf (makeCurveDumpSysex (0x1023, 3));
    EXPECT_EQ (curve3[7], 3);
    EXPECT_EQ (Bytes (curve3.begin() + 9, curve3.end() - 1),
               Bytes (velocityCurves[2], velocityCurves[2] + 256));
}

TEST (KeyboardMessages, OnlyATwelveByteReplyOfTheProductIsAVersionReply)
{
    const auto reply = messageOf ({ 0xF0, 0x1D, 0x03, 0x20, 0x22, 0x00, 0x01, 1, 0, 6, 3, 0xF7 });
    EXPECT_EQ (decodeVersionReply (reply, 0x1022), juce::String ("V1.06-3"));

    const auto empty = messageOf ({ 0xF0, 0x1D, 0x03, 0x20, 0x22, 0x00, 0x01, 0, 0, 0, 0, 0xF7 });
    EXPECT_EQ (decodeVersionReply (empty, 0x1022), juce::String());

    const Bytes rejected[] =
    {
        { 0xF0, 0x1D, 0x03, 0x20, 0x22, 0x00, 0x01, 1, 0, 6, 0xF7 },           // 11 bytes
        { 0xF0, 0x1D, 0x03, 0x20, 0x22, 0x00, 0x01, 1, 0, 6, 0, 0, 0xF7 },     // 13 bytes
        { 0xF0, 0x1D, 0x03, 0x20, 0x23, 0x00, 0x01, 1, 0, 6, 0, 0xF7 },        // another keyboard
        { 0xF0, 0x1D, 0x03, 0x20, 0x22, 0x00, 0x02, 1, 0, 6, 0, 0xF7 },        // not 00 01
        { 0xF0, 0x1E, 0x03, 0x20, 0x22, 0x00, 0x01, 1, 0, 6, 0, 0xF7 },        // another maker
        { 0xEF, 0x7F, 0x7F },                                                   // too short to read
    };
    for (auto& bytes : rejected)
        EXPECT_FALSE (decodeVersionReply (messageOf (bytes), 0x1022).has_value()) << bytes.size();
}

//==============================================================================
TEST_F (CurrentDevice, TheCurveDumpAndTheProductFilterTakeTheDetectedIdAndEverythingElseTheLinkId)
{
    productId = 0x1022;
    detectedProductId = 0x1027;

    auto headerOf = [] (const juce::MidiMessage& m) { return Bytes (m.getRawData(), m.getRawData() + 5); };
    const Bytes linkHeader { 0xF0, 0x1D, 0x03, 0x20, 0x22 };
    EXPECT_EQ (headerOf (makeParameterSysex (saveDeviceSettingsParameter, 1)), linkHeader);
    EXPECT_EQ (headerOf (makeVersionRequestSysex()), linkHeader);
    EXPECT_EQ (headerOf (makeCurveDumpSysex (8)), (Bytes { 0xF0, 0x1D, 0x03, 0x20, 0x27 }));

    auto versionReply = [] (int low) { return messageOf ({ 0xF0, 0x1D, 0x03, 0x20, low, 0x00, 0x01, 2, 13, 4, 0, 0xF7 }); };
    EXPECT_EQ (decodeVersionReply (versionReply (0x22)), juce::String ("V2.34"));
    EXPECT_FALSE (decodeVersionReply (versionReply (0x27)).has_value());

    EXPECT_TRUE (dravelProductFilter (0x1027));
    EXPECT_FALSE (isDravelModelRange (0x1027));

    detectedProductId = 0x1020;
    EXPECT_TRUE (dravelProductFilter (0x1024));
    EXPECT_FALSE (dravelProductFilter (0x1027) || dravelProductFilter (2000));
}

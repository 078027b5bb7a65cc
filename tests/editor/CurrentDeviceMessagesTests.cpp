#include <gtest/gtest.h>

#include "editor/EditorState.h"
#include "editor/KeyboardMessages.h"
#include "editor/PortNames.h"

#include <vector>

using namespace NsDravel;

namespace
{
    std::vector<int> headerOf (const juce::MidiMessage& message)
    {
        const auto* data = message.getRawData();
        return std::vector<int> (data, data + 5);
    }

    juce::MidiMessage versionReply (int high, int low)
    {
        const juce::uint8 bytes[] { 0xF0, 0x1D, 0x03, (juce::uint8) high, (juce::uint8) low,
                                    0x00, 0x01, 2, 13, 4, 0, 0xF7 };
        return juce::MidiMessage (bytes, (int) sizeof (bytes));
    }

    struct CurrentDevice : ::testing::Test
    {
        void SetUp() override    { resetProcessState(); }
        void TearDown() override { resetProcessState(); }
    };
}

TEST_F (CurrentDevice, TheCurveDumpCarriesTheDetectedIdAndEverythingElseTheLinkId)
{
    productId = 0x1022;
    detectedProductId = 0x1027;

    const std::vector<int> linkHeader { 0xF0, 0x1D, 0x03, 0x20, 0x22 };
    EXPECT_EQ (headerOf (makeParameterSysex (saveDeviceSettingsParameter, 1)), linkHeader);
    EXPECT_EQ (headerOf (makeVersionRequestSysex()), linkHeader);
    EXPECT_EQ (headerOf (makeCurveDumpSysex (8)), (std::vector<int> { 0xF0, 0x1D, 0x03, 0x20, 0x27 }));

    EXPECT_EQ (decodeVersionReply (versionReply (0x20, 0x22)), juce::String ("V2.34"));
    EXPECT_FALSE (decodeVersionReply (versionReply (0x20, 0x27)).has_value());
}

TEST_F (CurrentDevice, ProductFilterAlsoAcceptsTheDetectedDevice)
{
    detectedProductId = 0x1020;
    EXPECT_TRUE (dravelProductFilter (0x1024));
    EXPECT_FALSE (dravelProductFilter (0x1027));
    EXPECT_FALSE (dravelProductFilter (2000));

    detectedProductId = 0x1027;
    EXPECT_TRUE (dravelProductFilter (0x1027));
    EXPECT_FALSE (isDravelModelRange (0x1027));
}

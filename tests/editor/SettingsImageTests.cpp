#include <gtest/gtest.h>

#include "editor/model/ControlBinding.h"
#include "editor/model/DeviceSettingsImage.h"
#include "editor/EditorState.h"
#include "editor/model/MappingModel.h"

#include <functional>

using namespace NsDravel;

namespace
{
    using Image = DeviceSettingsImage;

    juce::String hexOf (const Image& image)
    {
        auto bytes = getImageBytesInSendOrder (image);
        return juce::String::toHexString (bytes.data(), (int) bytes.size())
             + " | " + juce::String::toHexString (image.pedalAndWheel[2].data() + 5, 1)
             + " " + juce::String::toHexString (image.pedalAndWheel[3].data() + 5, 1);
    }

    struct SettingsImageTest : public ::testing::Test
    {
        void SetUp() override
        {
            resetProcessState();
            model = std::make_unique<MappingModel>();   // start-up: factory image, Nuendo current
        }

        /** A binding attached to a control of the current map. */
        ControlBinding& bindTo (int control)
        {
            binding.attachToControl (getControlById (model->getCurrentMap(), control));
            return binding;
        }

        juce::var property (int control, const char* name) const
        {
            return getControlById (model->getCurrentMap(), control)[name];
        }

        std::unique_ptr<MappingModel> model;
        ControlBinding binding;
    };

    /** One setter call, the image bytes it must change and the property it must set. */
    struct SetterCase
    {
        const char* what;
        int control;
        std::function<void (ControlBinding&)> call;
        std::function<void (Image&)> expectedChange;
        const char* property;
        juce::var expectedValue;
    };

    void noChange (Image&) {}
}

//==============================================================================
TEST_F (SettingsImageTest, FactoryImageHoldsTheKeyboardsFactoryBytesAndTheWheelsLastByteStaysBehind)
{
    EXPECT_EQ (deviceSettingsImage, factorySettingsImage);
    EXPECT_EQ (hexOf (deviceSettingsImage),
               "90 08 08 00 f0 "
               "0b b0 40 00 7f f0 0b b0 0b 00 7f f0 0e e0 01 00 00 0b b0 01 00 00 "
               "0b b0 07 40 00 0b b0 0a 40 00 | 00 00");

    deviceSettingsImage.pedalAndWheel[2][5] = 0x55;
    deviceSettingsImage.pedalAndWheel[3][5] = 0x66;
    const auto bytes = getImageBytesInSendOrder();
    EXPECT_EQ (std::count (bytes.begin(), bytes.end(), 0x55) + std::count (bytes.begin(), bytes.end(), 0x66), 0);
}

TEST_F (SettingsImageTest, EachSetterWritesItsBytesAndItsProperty)
{
    const SetterCase cases[] {
        { "channel 16 of the keys", 1, [] (auto& b) { b.setChannel (16, 0); },
          [] (Image& i) { i.header[0] = 0x9F; }, "chan", 16 },
        { "channel 3 of knob 2", 7, [] (auto& b) { b.setChannel (3, 5); },
          [] (Image& i) { i.knobs[1][1] = 0xB2; }, "chan", 3 },
        { "an out-of-range channel keeps the status nibble", 1, [] (auto& b) { b.setChannel (0x31, 0); },
          [] (Image& i) { i.header[0] = 0x90; }, "chan", 0x31 },
        { "an unknown type on the modulation wheel", 5, [] (auto& b) { b.setMessageType (0x8, 0); },
          [] (Image& i) { i.pedalAndWheel[3][0] = 0x08; i.pedalAndWheel[3][1] = 0x80; }, "type", "" },
        { "program change on knob 2 in the user mode", 7, [] (auto& b) { b.setMessageType (0xC, 6); },
          [] (Image& i) { i.knobs[1][0] = 0x0C; i.knobs[1][1] = 0xC0; }, "type", "program" },
        { "value 300 keeps its low byte", 4, [] (auto& b) { b.setMessageValue (300, 0); },
          [] (Image& i) { i.pedalAndWheel[2][2] = 0x2C; }, "value", 300 },
        { "sustain back to by pressing", 2, [] (auto& b) { b.setSustainMode (1); b.setSustainMode (0); },
          noChange, "sustain", 0 },
        { "knob 2 counter-clockwise in the user mode", 7, [] (auto& b) { b.setClockwise (false, 6); },
          [] (Image& i) { i.knobs[1][3] = 0x00; i.knobs[1][4] = 0x40; }, nullptr, {} },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        resetImageToFactory();
        auto expected = factorySettingsImage;
        c.expectedChange (expected);

        c.call (bindTo (c.control));

        EXPECT_EQ (hexOf (deviceSettingsImage), hexOf (expected));

        if (c.property != nullptr)
            EXPECT_EQ (property (c.control, c.property), c.expectedValue);
    }
}

TEST_F (SettingsImageTest, KnobSettingsFollowTheDawModeGates)
{
    struct Gate { const char* what; std::function<void (ControlBinding&, int mode)> call; std::function<bool (int mode)> writes; };
    const Gate gates[] {
        { "channel", [] (auto& b, int m) { b.setChannel (5, m); },            [] (int m) { return m < 7; } },
        { "value",   [] (auto& b, int m) { b.setMessageValue (74, m); },      [] (int m) { return m < 7; } },
        { "type",    [] (auto& b, int m) { b.setMessageType (0xE, m); },      [] (int m) { return m == 6; } },
        { "direction", [] (auto& b, int m) { b.setClockwise (false, m); },    [] (int m) { return m == 6; } },
    };

    for (auto& gate : gates)
    {
        for (int mode = 0; mode <= 10; ++mode)
        {
            SCOPED_TRACE (juce::String (gate.what) + " in mode " + juce::String (mode));
            resetImageToFactory();
            gate.call (bindTo (6), mode);

            EXPECT_EQ (deviceSettingsImage.knobs[0] != factorySettingsImage.knobs[0], gate.writes (mode));
            EXPECT_EQ (deviceSettingsImage.knobs[1], factorySettingsImage.knobs[1]);
        }
    }

    // The model always follows the choice, also when the image does not.
    bindTo (6).setMessageType (0xE, 0);
    EXPECT_EQ (property (6, "type"), juce::var ("pitch"));
    bindTo (6).setClockwise (false, 0);
    EXPECT_EQ ((int) property (6, "clockwise"), 0);
    EXPECT_EQ (deviceSettingsImage, factorySettingsImage);
}

//==============================================================================
TEST_F (SettingsImageTest, ControlsWriteOnlyTheirOwnPropertiesAndNumbersOutsideTheTablesWriteNoStrayBytes)
{
    bindTo (3).setOctave (10);
    bindTo (3).setSustainMode (1);
    EXPECT_FALSE (getControlById (model->getCurrentMap(), 3).hasProperty ("octave"));
    EXPECT_FALSE (getControlById (model->getCurrentMap(), 3).hasProperty ("sustain"));
    bindTo (1).setMessageValue (5, 0);
    EXPECT_EQ ((int) property (1, "value"), 0);

    // The pitch and modulation wheels have no knob record.
    for (int wheel : { 4, 5 })
    {
        resetImageToFactory();
        bindTo (wheel).setClockwise (false, 6);
        EXPECT_EQ (deviceSettingsImage, factorySettingsImage);
        EXPECT_EQ (getRecordValue (wheel), 0);
    }

    // Unknown numbers, and a binding to a control the map lacks (number 0),
    // fall back to the first record of a table and leave the map alone.
    ControlBinding stray;
    stray.controlNumber = 42;
    stray.setChannel (2, 0);
    stray.setSustainMode (1);
    binding.attachToControl (getControlById (model->getCurrentMap(), 9));
    EXPECT_EQ (binding.controlNumber, 0);
    binding.setChannel (4, 0);

    auto expected = factorySettingsImage;
    expected.knobs[0][1] = 0xB3;
    expected.pedalAndWheel[0][3] = 0x7F;
    expected.pedalAndWheel[0][4] = 0x00;
    EXPECT_EQ (hexOf (deviceSettingsImage), hexOf (expected));
    EXPECT_EQ (getControlChannel (0, -3), 4);
    EXPECT_EQ (getRecordValue (0), 7);
    EXPECT_EQ (model->getCurrentMap().getChildWithName ("controls").getNumChildren(), 7);
}

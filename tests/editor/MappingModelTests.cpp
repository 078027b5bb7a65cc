#include "support/EditorFixture.h"

#include "editor/model/ControlBinding.h"
#include "editor/model/ModelNames.h"

#include <functional>

using namespace NsDravel;

// The mapping model, its settings image and the binding of a control to both.

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

    struct SettingsImageTest : public sim::FreshEditorState
    {
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

TEST_F (SettingsImageTest, EachSetterWritesItsPropertyAndItsBytesOnlyWhereTheDawModeLetsIt)
{
    // Modes 7 and above fix the knobs' channel and value; only the user mode (6)
    // lets a knob's type and direction reach the keyboard.
    const SetterCase cases[] {
        { "channel 16 of the keys", 1, [] (auto& b) { b.setChannel (16, 0); },
          [] (Image& i) { i.header[0] = 0x9F; }, "chan", 16 },
        { "channel 3 of knob 2", 7, [] (auto& b) { b.setChannel (3, 5); },
          [] (Image& i) { i.knobs[1][1] = 0xB2; }, "chan", 3 },
        { "channel 5 of knob 1 in mode 7", 6, [] (auto& b) { b.setChannel (5, 7); }, noChange, "chan", 5 },
        { "value 74 of knob 1 in mode 6", 6, [] (auto& b) { b.setMessageValue (74, 6); },
          [] (Image& i) { i.knobs[0][2] = 74; }, "value", 74 },
        { "value 74 of knob 1 in mode 10", 6, [] (auto& b) { b.setMessageValue (74, 10); }, noChange, "value", 74 },
        { "program change on knob 2 in the user mode", 7, [] (auto& b) { b.setMessageType (0xC, 6); },
          [] (Image& i) { i.knobs[1][0] = 0x0C; i.knobs[1][1] = 0xC0; }, "type", "program" },
        { "pitch bend on knob 1 in mode 5", 6, [] (auto& b) { b.setMessageType (0xE, 5); }, noChange, "type", "pitch" },
        { "pitch bend on knob 1 in mode 7", 6, [] (auto& b) { b.setMessageType (0xE, 7); }, noChange, "type", "pitch" },
        { "a status of no type on knob 1 in mode 7", 6, [] (auto& b) { b.setMessageType (0x8, 7); },
          noChange, "type", "" },
        { "sustain back to by pressing", 2, [] (auto& b) { b.setSustainMode (1); b.setSustainMode (0); },
          noChange, "sustain", 0 },
        { "knob 2 counter-clockwise in the user mode", 7, [] (auto& b) { b.setClockwise (false, 6); },
          [] (Image& i) { i.knobs[1][3] = 0x00; i.knobs[1][4] = 0x40; }, nullptr, {} },
        { "knob 1 counter-clockwise in mode 5", 6, [] (auto& b) { b.setClockwise (false, 5); },
          noChange, "clockwise", 0 },
        { "knob 1 counter-clockwise in mode 7", 6, [] (auto& b) { b.setClockwise (false, 7); },
          noChange, "clockwise", 0 },
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

//==============================================================================
TEST_F (SettingsImageTest, ARebindingForgetsTheControlsBoundBeforeAndAControlTheMapLacksWritesTheFirstRecord)
{
    // Bound to the keys, the sustain pedal, then control 3: what control 3 has
    // not (an octave, a sustain) goes into no earlier control's node.
    bindTo (1);
    bindTo (2);
    bindTo (3).setOctave (10);
    bindTo (3).setSustainMode (1);
    EXPECT_EQ ((int) property (1, "octave"), 8);
    EXPECT_EQ ((int) property (2, "sustain"), 0);
    EXPECT_FALSE (getControlById (model->getCurrentMap(), 3).hasProperty ("sustain"));

    // No map holds controls 8..11: bound to one, the binding falls back to
    // the first record of its table.
    resetImageToFactory();
    binding.attachToControl (getControlById (model->getCurrentMap(), 9));
    EXPECT_EQ (binding.controlNumber, 0);
    binding.setChannel (4, 0);

    auto expected = factorySettingsImage;
    expected.knobs[0][1] = 0xB3;
    EXPECT_EQ (hexOf (deviceSettingsImage), hexOf (expected));
    EXPECT_EQ (getControlChannel (0, -3), 4);
    EXPECT_EQ ((int) property (3, "chan"), 1);
}

using MappingModelTest = sim::FreshEditorState;

//==============================================================================
TEST_F (MappingModelTest, StartsOnNuendoWithTheFactoryImageAndModeAndProductIdFollowTheModesTree)
{
    EXPECT_EQ (model->getCurrentMap(), model->getModes().getChild (0));
    EXPECT_EQ (deviceSettingsImage, factorySettingsImage);

    // Pro Tools has no map: none is current, and its index is its place in the list of maps.
    model->setCurrentMode (5);
    EXPECT_FALSE (model->getCurrentMap().isValid());
    EXPECT_EQ (model->getModes()["current"].toString(), "Pro Tools");
    EXPECT_EQ (model->getCurrentModeIndex(), 1);

    // A mode outside the list is ignored.
    model->setCurrentMode (3);
    model->setCurrentMode (11);
    EXPECT_EQ (model->getModes()["current"].toString(), "Samplitude");
    EXPECT_EQ (model->getCurrentMap(), model->getModes().getChild (3));

    model->setProductId (0x1023);
    EXPECT_EQ ((int) model->getModes()["pid"], 0x1023);
}

//==============================================================================
TEST_F (MappingModelTest, FactoryDefaultsRestoreImageAndModelTogether)
{
    auto map = model->getCurrentMap();
    auto knob = getControlById (map, 6);
    knob.setProperty ("value", 99, nullptr);
    knob.setProperty ("clockwise", 0, nullptr);
    getControlById (map, 1).setProperty ("curve", 3, nullptr);
    getControlById (map, 1).setProperty ("transposition", 11, nullptr);
    deviceSettingsImage.knobs[0][2] = 99;
    deviceSettingsImage.header[0] = 0x95;
    deviceSettingsImage.header[3] = 3;
    currentCurveNumber = 4;

    resetMapToFactoryDefaults (map);

    EXPECT_EQ (deviceSettingsImage, factorySettingsImage);
    EXPECT_EQ ((int) knob["value"], 7);
    EXPECT_EQ ((int) getControlById (map, 1)["chan"], 1);
    // What the user had set says what the image says now: curve 1, no
    // transposition, clockwise; the curve dialog shows curve 1 again.
    EXPECT_EQ ((int) knob["clockwise"], 1);
    EXPECT_EQ ((int) getControlById (map, 1)["curve"], 0);
    EXPECT_EQ ((int) getControlById (map, 1)["transposition"], 8);
    EXPECT_EQ (currentCurveNumber, 1);
    // What was never set stays unset, as in a fresh map.
    EXPECT_FALSE (getControlById (map, 7).hasProperty ("clockwise"));
}

//==============================================================================
TEST (ValueNames, ValuesOutsideTheListsOrInTheHuiModeHaveNoNameNorPlace)
{
    EXPECT_EQ (getValueName (5, buttonKind, 60, 0x9), "");
    EXPECT_EQ (getMcpFunctionText (5, buttonKind, 94), "");
    EXPECT_EQ (getMcpButtonName (115), "");
    EXPECT_EQ (indexOfValue (5, buttonKind, 60), -1);
    EXPECT_EQ (indexOfValue (5, buttonKind, 49), 49) << "the HUI mode's buttons offer 50 values";
    EXPECT_EQ (statusNibbleOfTypeIndex (parseMessageType ("")), 0x9) << "a type that names none is sent as a note";
}

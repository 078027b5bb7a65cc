#include <gtest/gtest.h>

#include "editor/model/DeviceSettingsImage.h"
#include "editor/EditorState.h"
#include "editor/model/MappingModel.h"
#include "editor/model/ModelNames.h"

using namespace NsDravel;

namespace
{
    struct MappingModelTest : public ::testing::Test
    {
        void SetUp() override   { resetProcessState(); }
    };
}

//==============================================================================
TEST_F (MappingModelTest, StartsOnNuendoWithTheFactoryImageAndModeAndProductIdFollowTheModesTree)
{
    MappingModel model;
    ASSERT_EQ (model.getModes().getNumChildren(), 4);
    EXPECT_EQ (model.getCurrentMap(), model.getModes().getChild (0));
    EXPECT_EQ ((int) model.getModes()["pid"], 0x1020);
    EXPECT_EQ (deviceSettingsImage, factorySettingsImage);

    model.setCurrentMode (2);
    EXPECT_EQ (model.getCurrentMap(), model.getModes().getChild (2));
    EXPECT_EQ (model.getModes()["current"].toString(), "Logic");
    EXPECT_EQ (model.getCurrentModeIndex(), 2);

    // Writing through the current map changes the map held in "modes".
    model.getCurrentMap().setProperty ("name", "edited", nullptr);
    EXPECT_EQ (model.getModes().getChild (2)["name"].toString(), "edited");

    model.setCurrentMode (5);
    EXPECT_FALSE (model.getModeMap (5).isValid());
    EXPECT_FALSE (model.getCurrentMap().isValid());
    EXPECT_EQ (model.getModes()["current"].toString(), "Pro Tools");
    EXPECT_EQ (model.getCurrentModeIndex(), 1);

    model.setCurrentMode (3);
    model.setCurrentMode (11);
    EXPECT_EQ (model.getModes()["current"].toString(), "Samplitude");
    EXPECT_EQ (model.getCurrentMap(), model.getModes().getChild (3));

    model.setProductId (0x1023);
    EXPECT_EQ ((int) model.getModes()["pid"], 0x1023);
}

//==============================================================================
TEST_F (MappingModelTest, FactoryDefaultsRestoreImageAndModelTogether)
{
    MappingModel model;
    auto map = model.getCurrentMap();
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
    EXPECT_EQ (getValueName (0, buttonKind, 128, 0x9), "");
    EXPECT_EQ (getMcpFunctionText (5, buttonKind, 94), "");

    for (int value : { 115, 128, -1 })
        EXPECT_EQ (getMcpButtonName (value), "") << value;

    EXPECT_EQ (indexOfValue (5, buttonKind, 60), -1);
    EXPECT_EQ (indexOfValue (0, jogWheelKind, 128), -1);
}

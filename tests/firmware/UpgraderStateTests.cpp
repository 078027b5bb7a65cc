#include <gtest/gtest.h>
#include "firmware/UpgraderState.h"

using namespace halvik;

TEST (UpgraderState, CheckImageLiesInTheResourcesNextToTheProgram)
{
    const auto folder = juce::File::getSpecialLocation (juce::File::currentExecutableFile)
                            .getParentDirectory().getFullPathName();
    EXPECT_EQ (checkImagePath, folder + "/Resources/Assets/res/check.bin");
}

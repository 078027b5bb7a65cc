#include <gtest/gtest.h>
#include "firmware/UpgraderState.h"

using namespace halvik;

TEST (UpgraderState, CheckImageIsFoundInTheResourcesNextToTheProgram)
{
    const juce::File checkImage (checkImagePath);

    EXPECT_TRUE (checkImage.existsAsFile());
    EXPECT_EQ (checkImage.getSize(), 4096);
    EXPECT_EQ (checkImage.getParentDirectory().getFullPathName(),
               juce::File::getSpecialLocation (juce::File::currentExecutableFile)
                   .getParentDirectory().getChildFile ("resources/Assets/res").getFullPathName());
}

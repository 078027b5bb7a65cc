#include <gtest/gtest.h>
#include "firmware/UpgraderState.h"

using namespace halvik;

TEST (UpgraderState, ResetBringsBackTheStartValues)
{
    autoAdvance = upgraderBusy = abortRequested = toolProbeMode = true;
    acceptAnyProduct = repeatMode = toolFamilyActive = toolModeEntered = true;
    serverListEnabled = false;
    repeatRunCount = selectedMarker = activatedMarker = targetPortCount = 3;
    alternateModelNames = 1;
    compatibilityResult = -1;
    flashToolPath = firmwareFilePath = checkImagePath = "x";
    connectAckReceived = eraseAckReceived = dataAckReceived = true;
    resetAckReceived = negativeReplyReceived = upgradeModeActive = true;

    resetUpgraderState();

    EXPECT_FALSE (autoAdvance || upgraderBusy || abortRequested || toolProbeMode);
    EXPECT_FALSE (acceptAnyProduct || repeatMode || toolFamilyActive || toolModeEntered);
    EXPECT_TRUE (serverListEnabled);
    EXPECT_EQ (repeatRunCount + selectedMarker + activatedMarker + targetPortCount, 0);
    EXPECT_EQ (alternateModelNames, 0);
    EXPECT_EQ (compatibilityResult, 1);
    EXPECT_TRUE (flashToolPath.isEmpty());
    EXPECT_TRUE (firmwareFilePath.isEmpty());
    EXPECT_FALSE (connectAckReceived || eraseAckReceived || dataAckReceived);
    EXPECT_FALSE (resetAckReceived || negativeReplyReceived || upgradeModeActive);
}

TEST (UpgraderState, CheckImageLiesInTheResourcesNextToTheProgram)
{
    const auto folder = juce::File::getSpecialLocation (juce::File::currentExecutableFile)
                            .getParentDirectory().getFullPathName();
    EXPECT_EQ (checkImagePath, folder + "/Resources/Assets/res/check.bin");
}

TEST (UpgraderState, ResettingReplyFlagsClearsAllSixAndNothingElse)
{
    resetUpgraderState();
    connectAckReceived = eraseAckReceived = dataAckReceived = true;
    resetAckReceived = negativeReplyReceived = upgradeModeActive = true;
    toolModeEntered = true;

    resetReplyFlags();

    EXPECT_FALSE (connectAckReceived || eraseAckReceived || dataAckReceived);
    EXPECT_FALSE (resetAckReceived || negativeReplyReceived || upgradeModeActive);
    EXPECT_TRUE (toolModeEntered);
    resetUpgraderState();
}

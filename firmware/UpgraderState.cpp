#include "firmware/UpgraderState.h"

#include "common/ResourcesFolder.h"

namespace halvik
{
    namespace
    {
        // The resources folder is "resources" on Linux; the helper finds it
        // whatever the case the path is written in.
        juce::String makeCheckImagePath()
        {
            return getResourceFile ("Resources/Assets/res/check.bin").getFullPathName();
        }
    }

    bool autoAdvance       = false;
    bool upgraderBusy      = false;
    bool abortRequested    = false;
    bool serverListEnabled = true;
    bool toolProbeMode     = false;
    bool acceptAnyProduct  = false;
    bool repeatMode        = false;
    int repeatRunCount     = 0;
    int selectedMarker     = 0;
    int activatedMarker    = 0;

    bool toolFamilyActive   = false;
    int alternateModelNames = 0;
    juce::String flashToolPath;

    bool toolModeEntered    = false;
    int targetPortCount     = 0;
    int compatibilityResult = 1;
    juce::String firmwareFilePath;
    juce::String checkImagePath = makeCheckImagePath();

    bool upgraderOpen         = false;
    bool selectStepRunning    = false;
    bool chooserNoAutoConfirm = false;

    std::atomic<bool> connectAckReceived    { false };
    std::atomic<bool> eraseAckReceived      { false };
    std::atomic<bool> dataAckReceived       { false };
    std::atomic<bool> resetAckReceived      { false };
    std::atomic<bool> negativeReplyReceived { false };
    std::atomic<bool> upgradeModeActive     { false };

    void resetReplyFlags()
    {
        connectAckReceived    = false;
        eraseAckReceived      = false;
        dataAckReceived       = false;
        resetAckReceived      = false;
        negativeReplyReceived = false;
        upgradeModeActive     = false;
    }

    void resetUpgraderState()
    {
        autoAdvance       = false;
        upgraderBusy      = false;
        abortRequested    = false;
        serverListEnabled = true;
        toolProbeMode     = false;
        acceptAnyProduct  = false;
        repeatMode        = false;
        repeatRunCount    = 0;
        selectedMarker    = 0;
        activatedMarker   = 0;

        toolFamilyActive    = false;
        alternateModelNames = 0;
        flashToolPath       = {};

        toolModeEntered     = false;
        targetPortCount     = 0;
        compatibilityResult = 1;
        firmwareFilePath    = {};
        checkImagePath      = makeCheckImagePath();

        upgraderOpen         = false;
        selectStepRunning    = false;
        chooserNoAutoConfirm = false;

        resetReplyFlags();
    }
}

#include "editor/EditorState.h"
#include "editor/model/DeviceSettingsImage.h"
#include "editor/device/PortNames.h"
#include "editor/curves/VelocityCurves.h"

namespace NsDravel
{
    Host* theHost = nullptr;
    MainComp* theMainComp = nullptr;
    // The link starts out on the smallest keyboard, the Dravel 25.
    std::atomic<int> productId { firstKeyboardProductId };
    int selectedProductId = firstKeyboardProductId;
    std::atomic<int> detectedProductId { firstKeyboardProductId };
    std::atomic<bool> midiReceivedFlag { false };

    bool autoConnectEnabled = true;
    bool deviceConnected = false;
    juce::StringArray knownOutputNames;
    bool rescanRequested = false;
    bool versionRequestPending = false;
    int versionRetryCount = 0;
    int versionBackoff = 1;
    bool midiSentFlag = false;
    bool pendingSettingsWrite = false;
    bool pendingCurveSend = false;
    bool pendingStoreCommand = false;
    MyTimer* theTimer = nullptr;

    int currentCurveNumber = 1;
    juce::String deviceName;
    bool upgradeLaunchGuard = false;
    bool testModeEnabled = false;

    void resetProcessState()
    {
        theHost = nullptr;
        theMainComp = nullptr;
        productId = firstKeyboardProductId;
        selectedProductId = firstKeyboardProductId;
        detectedProductId = firstKeyboardProductId;
        midiReceivedFlag = false;

        autoConnectEnabled = true;
        deviceConnected = false;
        knownOutputNames.clear();
        rescanRequested = false;
        versionRequestPending = false;
        versionRetryCount = 0;
        versionBackoff = 1;
        midiSentFlag = false;
        pendingSettingsWrite = false;
        pendingCurveSend = false;
        pendingStoreCommand = false;
        theTimer = nullptr;

        currentCurveNumber = 1;
        deviceName.clear();
        upgradeLaunchGuard = false;
        testModeEnabled = false;

        deviceSettingsImage = DeviceSettingsImage {};
        resetUserVelocityCurve();
    }
}

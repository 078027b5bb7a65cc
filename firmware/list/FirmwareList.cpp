#include "firmware/list/FirmwareList.h"

#include "firmware/window/UpgraderPrompts.h"

namespace halvik
{
    // Stand-ins until the firmware list is built: the server is never asked.
    juce::URL getFirmwareServerBase()                           { return juce::URL ("https://firmware.halvik.example/"); }
    bool isServerReachable (const juce::URL&)                   { return false; }
    juce::Result fetchFirmwareList (int, juce::ValueTree&)      { return juce::Result::fail ("The firmware server is currently unavailable."); }
    juce::String getNewestFirmwarePath (const juce::ValueTree&) { return {}; }
    float parseVersionValue (const juce::String&)               { return 0.0f; }

    bool showFirmwareAvailableNotice (int, bool)
    {
        const juce::String message ("\n* IMPORTANT WARNING! *\n\nFAILURE TO FOLLOW THESE INSTRUCTIONS COULD DAMAGE YOUR DEVICE!!\n\n"
                                    "- Connect ONLY the device you want to update\n- Make sure the power supply is connected (if any)\n"
                                    "- Connect device directly to computer (no hub)\n- Do not touch device during firmware update\n"
                                    "- Do not close command-line windows during update");

        return UpgraderPrompts::getCurrent().askOkCancel (juce::MessageBoxIconType::InfoIcon,
                                                          "Firmware Upgrader about to start",
                                                          message, "OK", "Cancel");
    }
}

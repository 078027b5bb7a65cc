#include "firmware/window/UpgraderEntry.h"

namespace halvik
{
    // Until the upgrade window exists the door leads to a plain notice; nothing
    // touches the device, so no firmware write can be faked or half done.
    int openFirmwareUpgrader (int productId, juce::Component* parent,
                              bool showNotice, bool useServerList, int extra)
    {
        juce::ignoreUnused (productId, showNotice, useServerList, extra);

        juce::AlertWindow::showMessageBox (juce::MessageBoxIconType::NoIcon,
                                           "Firmware Upgrade",
                                           "The firmware upgrader is not available yet.",
                                           {},
                                           parent);
        return 0;
    }
}

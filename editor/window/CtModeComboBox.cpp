#include "editor/window/CtModeComboBox.h"
#include "editor/device/Host.h"
#include "editor/model/ModelNames.h"

namespace NsDravel
{
    CtModeComboBox::CtModeComboBox()
        : juce::ComboBox (juce::String())
    {
        // Only the first four modes have maps of their own at start.
        for (int mode = 0; mode < 4; ++mode)
        {
            const auto& displayName = getDawModeDisplayNames (mode);

            if (displayName.isNotEmpty())
                addItem (juce::String (mode + 1) + ") " + displayName, mode + 1);
        }

        setSelectedItemIndex (Host::getInstance()->getCurrentModeIndex(), juce::dontSendNotification);
    }
}

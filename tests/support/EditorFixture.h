#pragma once

#include "support/KeyboardLinkFixture.h"

#include "editor/model/DeviceSettingsImage.h"
#include "editor/EditorState.h"
#include "editor/device/Host.h"
#include "editor/model/MappingModel.h"

#include <vector>

namespace sim
{

/** The editor as a user meets it, on simulated MIDI ports, with the device
    timer's ticks driven by the test. */
class EditorFixture : public KeyboardLinkFixture
{
protected:
    /** Clicks a button as the mouse would, and lets the click arrive. */
    static void click (juce::Button& button)
    {
        button.triggerClick();
        settle();
    }

    /** Picks an item of a combo box by its text, as the user does. */
    static void pick (juce::ComboBox& combo, const juce::String& itemText)
    {
        for (int i = 0; i < combo.getNumItems(); ++i)
        {
            if (combo.getItemText (i) == itemText)
            {
                combo.setSelectedItemIndex (i, juce::sendNotificationSync);
                return;
            }
        }

        ADD_FAILURE() << "no item " << itemText << " in the combo";
    }

    /** Lets messages already posted to the message thread arrive. */
    static void settle()
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
    }

    /** A control's node in the host's current map. */
    static juce::ValueTree controlNode (int control)
    {
        return NsDravel::getControlById (NsDravel::Host::getInstance()->getCurrentMap(), control);
    }

    /** The image bytes the keyboard would receive now, in sending order. */
    static std::vector<juce::uint8> imageBytes (const NsDravel::DeviceSettingsImage& image = NsDravel::deviceSettingsImage)
    {
        const auto bytes = NsDravel::getImageBytesInSendOrder (image);
        return { bytes.begin(), bytes.end() };
    }

    NsDravel::MappableButton& controlButton (int control)
    {
        return *editor->mixerSection.getControlButton (control);
    }
};

} // namespace sim

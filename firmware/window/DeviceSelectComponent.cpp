#include "firmware/window/DeviceSelectComponent.h"

#include "firmware/UpgraderState.h"
#include "firmware/catalogue/PortNameTable.h"
#include "firmware/midi/UpgraderPortLookups.h"
#include "firmware/midi/UpgraderWaits.h"
#include "firmware/window/UpgraderPrompts.h"
#include "midi/MidiPortNames.h"

namespace halvik
{

namespace
{
    /** An upgrade-mode port weighs this much in countTargetOutputs: any such
        port takes the count past the range that means "the product alone". */
    constexpr int upgradePortWeight = 16;

    constexpr int searchTries = 3;
    constexpr double searchPauseMs = 150.0;
}

DeviceSelectComponent::DeviceSelectComponent (int productIdToFind, const juce::String& portNameToFind)
    : juce::Component ("DeviceSelectComponent"),
      portName (portNameToFind),
      productId (productIdToFind)
{
    addAndMakeVisible (okButton);
    addAndMakeVisible (cancelButton);
    addAndMakeVisible (deviceCombo);

    const auto names = listMidiDevicesForDisplay (true, true, true);
    deviceCombo.addItemList (names, 1);

    int index = -1;

    for (int attempt = 0; attempt < searchTries; ++attempt)
    {
        {
            // One reading of the port lists for all the look-ups of a try;
            // the next try reads them afresh.
            const NsDravel::PortListScope oneReading;
            index = findUnit (names);
        }

        if (index != -1)
            break;

        // The unit may still be coming up after a restart.
        sleepMilliseconds (searchPauseMs);
    }

    const bool found = index != -1;

    if (! found)
    {
        // The chooser's dialog opens after this: the warning goes in front of it.
        UpgraderPrompts::getCurrent().showMessageOverNextDialog (juce::MessageBoxIconType::NoIcon, {},
                                                                 "Warning: Cannot find target unit!");
        index = 0;
    }

    deviceCombo.setSelectedItemIndex (index, juce::dontSendNotification);
    chosenName = deviceCombo.getText();

    okButton.addListener (this);
    cancelButton.addListener (this);
    deviceCombo.addListener (this);
    setSize (300, 200);

    // The click arrives through the message queue, once the dialog runs.
    if (found && autoAdvance)
        okButton.triggerClick();
}

DeviceSelectComponent::~DeviceSelectComponent() = default;

int DeviceSelectComponent::findUnit (const juce::StringArray& names) const
{
    if (portName.isEmpty())
    {
        const auto count = countTargetOutputs (productId, upgradePortWeight);

        // At least one output of the product and no unit in upgrade mode.
        if (count < 1 || count >= upgradePortWeight)
            return -1;

        for (int i = 0; i < names.size(); ++i)
            if (getProductIdFromPortName (names[i]) == productId)
                return i;

        return -1;
    }

    if (countMidiPortsContaining (portName, true) != 1)
        return -1;

    const auto devices = listMidiDevices (true, true, true);

    for (int i = 0; i < devices.size(); ++i)
        if (devices[i].containsIgnoreCase (portName))
            return i;

    return -1;
}

void DeviceSelectComponent::comboBoxChanged (juce::ComboBox*)
{
    chosenName = deviceCombo.getText();
}

void DeviceSelectComponent::buttonClicked (juce::Button* button)
{
    auto* dialog = findParentComponentOfClass<juce::DialogWindow>();

    if (button == &cancelButton)
    {
        if (dialog != nullptr)
            dialog->closeButtonPressed();

        return;
    }

    if (button != &okButton)
        return;

    // A search by product takes any device port; a search by name only the
    // unit's upgrade-mode port.
    const bool filtered = portName.isEmpty();
    const bool microsoftOnly = filtered ? toolProbeMode : true;
    const auto name = resolveUpgradePortName (deviceCombo.getText());

    if (! isUsableDevicePortName (name, filtered, microsoftOnly, toolFamilyActive))
        return;

    chosenName = deviceCombo.getText();
    confirmed = true;

    if (dialog != nullptr)
        dialog->exitModalState (1);
}

void DeviceSelectComponent::resized()
{
    auto area = getLocalBounds();

    deviceCombo.setBounds (8, area.getHeight() / 2 - 24, area.getWidth() - 16, 24);

    auto strip = area.removeFromBottom (30).translated (-10, -10);
    cancelButton.setBounds (strip.removeFromRight (100));
    okButton.setBounds (strip.removeFromRight (100));
}

} // namespace halvik

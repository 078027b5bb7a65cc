#include "firmware/window/FirmwareSelectComponent.h"

#include "firmware/UpgraderState.h"
#include "firmware/list/FirmwareList.h"
#include "firmware/midi/UpgraderPortLookups.h"

namespace halvik
{

FirmwareSelectComponent::FirmwareSelectComponent (const juce::ValueTree& listToShow, int selectedIndex)
    : juce::Component ("DeviceSelectComponent"),
      list (listToShow.createCopy())
{
    addAndMakeVisible (releaseNotesButton);
    addAndMakeVisible (okButton);
    addAndMakeVisible (cancelButton);
    addAndMakeVisible (firmwareCombo);

    for (int i = 0; i < list.getNumChildren(); ++i)
    {
        const auto entry = list.getChild (i);
        firmwareCombo.addItem (entry["name"].toString() + " V" + entry["version"].toString(), i + 1);
    }

    firmwareCombo.setSelectedItemIndex (selectedIndex, juce::sendNotificationAsync);

    okButton.addListener (this);
    cancelButton.addListener (this);
    firmwareCombo.addListener (this);
    setSize (300, 200);

    // The click arrives through the message queue, once the dialog runs.
    if (autoAdvance && ! chooserNoAutoConfirm)
        okButton.triggerClick();
}

FirmwareSelectComponent::~FirmwareSelectComponent() = default;

juce::URL FirmwareSelectComponent::getSelectedFirmwareUrl() const
{
    if ((unsigned int) confirmedIndex >= (unsigned int) list.getNumChildren())
        return {};

    return juce::URL (getFirmwareServerBase().toString (false)
                      + list.getChild (confirmedIndex)["fw"].toString());
}

void FirmwareSelectComponent::buttonClicked (juce::Button* button)
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

    // The same name filter as for ports: no entry naming one of the
    // system's own ports ("Microsoft", "Midi Through").
    if (! isUsableDevicePortName (firmwareCombo.getText(), true, true, false))
        return;

    confirmedIndex = firmwareCombo.getSelectedItemIndex();

    if (dialog != nullptr)
        dialog->exitModalState (1);
}

void FirmwareSelectComponent::resized()
{
    const auto w = getWidth();
    const auto h = getHeight();

    const auto comboWidth = (int) (w * 0.84);
    firmwareCombo.setBounds ((w - comboWidth) / 2, 2 * h / 5 - 12, comboWidth, 24);

    const auto buttonWidth = w / 3;
    const auto buttonY = 4 * h / 5 - 12;
    okButton.setBounds (w / 4 - buttonWidth / 2, buttonY, buttonWidth, 24);
    cancelButton.setBounds (3 * w / 4 - buttonWidth / 2, buttonY, buttonWidth, 24);
}

} // namespace halvik

#include "editor/window/DeviceSelectComponent.h"
#include "editor/EditorState.h"
#include "editor/device/PortNames.h"

namespace NsDravel
{

DeviceSelectComponent::DeviceSelectComponent()
{
    setName ("DeviceSelectComponent");

    addAndMakeVisible (connectButton);
    addAndMakeVisible (cancelButton);
    addAndMakeVisible (deviceList);

    const auto names = getCandidateDeviceNames();

    for (int i = 0; i < names.size(); ++i)
        deviceList.addItem (names[i], i + 1);

    chosenName = deviceName;
    deviceList.setSelectedItemIndex (indexOfDevice (deviceName), juce::dontSendNotification);

    connectButton.addListener (this);
    cancelButton.addListener (this);
    deviceList.addListener (this);

    setSize (300, 200);
}

DeviceSelectComponent::~DeviceSelectComponent() = default;

int DeviceSelectComponent::indexOfDevice (const juce::String& name) const
{
    for (int i = 0; i < deviceList.getNumItems(); ++i)
        if (deviceList.getItemText (i) == name)
            return i;

    return 0;
}

void DeviceSelectComponent::resized()
{
    const auto w = getWidth();
    const auto h = getHeight();

    deviceList.setBounds (8, h / 2 - 24, w - 16, 24);

    // Both buttons sit on the bottom strip, taken from the right and lifted
    // 10 px off the edges.
    const auto cancelWidth = juce::jmin (w, 100);
    const auto connectWidth = juce::jmin (w - cancelWidth, 100);

    cancelButton.setBounds (w - 10 - cancelWidth, h - 40, cancelWidth, 30);
    connectButton.setBounds (w - 10 - cancelWidth - connectWidth, h - 40, connectWidth, 30);
}

void DeviceSelectComponent::buttonClicked (juce::Button* button)
{
    auto* dialog = findParentComponentOfClass<juce::DialogWindow>();

    if (button == &cancelButton)
    {
        if (dialog != nullptr)
            static_cast<juce::DocumentWindow*> (dialog)->closeButtonPressed();
    }
    else if (button == &connectButton)
    {
        const auto text = deviceList.getText();
        chosenName = text;
        deviceName = text;

        // A name that is not one of the maker's ports keeps the dialog open;
        // the name has been stored all the same.
        if (isProductPortName (text) && dialog != nullptr)
            dialog->exitModalState (1);
    }
}

void DeviceSelectComponent::comboBoxChanged (juce::ComboBox*)
{
}

} // namespace NsDravel

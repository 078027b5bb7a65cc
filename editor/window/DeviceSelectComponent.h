#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace NsDravel
{

/** The content of the "Select your device" dialog: a list of the MIDI outputs
    that look like the maker's keyboards and "Connect" / "Cancel" buttons.

    "Connect" stores the listed name in NsDravel::deviceName and ends the
    enclosing dialog's modal state with 1 when the name is a product port;
    otherwise the dialog stays open. "Cancel" closes the dialog (result 0).
    The caller runs it in a juce::DialogWindow and reads getChosenName() after.
*/
class DeviceSelectComponent  : public juce::Component,
                               public juce::Button::Listener,
                               public juce::ComboBox::Listener
{
public:
    DeviceSelectComponent();
    ~DeviceSelectComponent() override;

    void resized() override;
    void buttonClicked (juce::Button*) override;
    void comboBoxChanged (juce::ComboBox*) override;

    /** The position of the first listed name equal to the given one (case
        matters); 0 when it is not listed or the list is empty. */
    int indexOfDevice (const juce::String& name) const;

    /** The name taken with "Connect", or the device name at opening when
        "Connect" was never pressed. */
    juce::String getChosenName() const   { return chosenName; }

private:
    juce::String chosenName;
    juce::ComboBox deviceList;
    juce::TextButton cancelButton { "Cancel" };
    juce::TextButton connectButton { "Connect" };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DeviceSelectComponent)
};

} // namespace NsDravel

#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace halvik
{

/** The content of the "Choose Your Halvik Device" dialog: the MIDI outputs
    (upgrade-mode ports under their display name) in a list, with the unit's
    port preselected, and "OK" / "Cancel".

    Without a port name it looks for an output of the product; with one, for
    the single output whose name contains it. It looks three times, 150 ms
    apart, and warns "Warning: Cannot find target unit!" when the unit is not
    there. With auto-advance it confirms a unit it found by itself.

    "OK" ends the enclosing dialog's modal loop with 1 when the chosen port
    passes the port filter; "Cancel" presses the dialog's close button. The
    caller keeps the chooser and reads getChosenName() after the dialog.
    Message thread only.
*/
class DeviceSelectComponent final : public juce::Component,
                                    private juce::Button::Listener,
                                    private juce::ComboBox::Listener
{
public:
    DeviceSelectComponent (int productId, const juce::String& portName);
    ~DeviceSelectComponent() override;

    void resized() override;

    /** The text of the chosen list item. */
    juce::String getChosenName() const   { return chosenName; }

    /** True once "OK" was accepted. */
    bool wasConfirmed() const            { return confirmed; }

    juce::ComboBox& getDeviceList()      { return deviceCombo; }
    juce::TextButton& getOkButton()      { return okButton; }
    juce::TextButton& getCancelButton()  { return cancelButton; }

private:
    void buttonClicked (juce::Button* button) override;
    void comboBoxChanged (juce::ComboBox* combo) override;

    /** Where the unit is among the listed names, or -1. */
    int findUnit (const juce::StringArray& names) const;

    juce::String portName;
    int productId = 2000;
    juce::String chosenName;
    bool confirmed = false;
    juce::ComboBox deviceCombo;
    juce::TextButton cancelButton { "Cancel" };
    juce::TextButton okButton { "OK" };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DeviceSelectComponent)
};

} // namespace halvik

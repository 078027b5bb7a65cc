#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace halvik
{

/** The content of the "Firmware Version" dialog: one item per entry of the
    firmware list ("name Vversion"), "Release Notes", "OK" and "Cancel".

    "OK" takes the selected entry and ends the enclosing dialog's modal loop
    with 1 (an item naming a system port, "Microsoft" or "Midi Through", is
    refused); "Cancel" presses the dialog's close button. With auto-advance,
    unless chooserNoAutoConfirm is set, it presses "OK" by itself once the
    dialog runs.

    The entry taken with "OK" stays with the chooser, so the caller reads it
    after the dialog whatever became of the list box. Message thread only.
*/
class FirmwareSelectComponent final : public juce::Component,
                                      private juce::Button::Listener,
                                      private juce::ComboBox::Listener
{
public:
    /** Lists a copy of the entries of list and preselects selectedIndex. */
    FirmwareSelectComponent (const juce::ValueTree& list, int selectedIndex);
    ~FirmwareSelectComponent() override;

    void resized() override;

    /** The server address of the entry taken with "OK": the server's base
        followed by the entry's "fw"; an empty URL when none was taken. */
    juce::URL getSelectedFirmwareUrl() const;

    /** The position of the entry taken with "OK", -1 when none was. */
    int getConfirmedIndex() const        { return confirmedIndex; }

    juce::ComboBox& getFirmwareList()    { return firmwareCombo; }
    juce::TextButton& getOkButton()      { return okButton; }
    juce::TextButton& getCancelButton()  { return cancelButton; }

private:
    void buttonClicked (juce::Button* button) override;
    void comboBoxChanged (juce::ComboBox*) override {}

    juce::ComboBox firmwareCombo;
    juce::TextButton releaseNotesButton { "Release Notes" };
    juce::TextButton okButton { "OK" };
    juce::TextButton cancelButton { "Cancel" };
    juce::ValueTree list;
    int confirmedIndex = -1;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (FirmwareSelectComponent)
};

} // namespace halvik

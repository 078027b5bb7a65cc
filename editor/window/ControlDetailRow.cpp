// The detail row of the editor: the four combos under the keyboard picture that
// show and change the settings of the selected control.

#include "editor/window/MainComp.h"

#include "editor/model/DeviceSettingsImage.h"
#include "editor/EditorState.h"
#include "editor/device/Host.h"
#include "editor/model/ModelNames.h"

namespace NsDravel
{

namespace
{
    const juce::StringArray curveNames { "Curve 1", "Curve 2", "Curve 3", "Curve 4",
                                         "Curve 5", "Curve 6", "Curve 7", "Custom Curve" };

    const juce::StringArray messageTypeNames { "1) Note", "2) CC", "3) Program", "4) Pitch Bend" };

    // Octave and transposition shifts; list index i stands for the image byte i + 4.
    const juce::StringArray offsetNames { "-4", "-3", "-2", "-1", "0", "+1", "+2",
                                          "+3", "+4", "+5", "+6", "+7", "+8" };

    const juce::StringArray sustainDirections { "by pressing", "by releasing" };

    // MIDI status nibbles in the order of the message type list.
    constexpr int statusOfMessageType[] { 0x9,    // note on
                                          0xB,    // control change
                                          0xC,    // program change
                                          0xE };  // pitch bend

    constexpr int keysControl = 1;
    constexpr int sustainControl = 2;
    constexpr int pitchWheelControl = 4;

    juce::StringArray channelNames()
    {
        juce::StringArray names;

        for (int channel = 1; channel <= 16; ++channel)
            names.add (juce::String (channel));

        return names;
    }

    void fillWith (MapComboBox& combo, const juce::StringArray& items)
    {
        combo.addItemList (items, 1);
    }

    // An index outside the list leaves nothing selected.
    void selectIndex (MapComboBox& combo, int index)
    {
        combo.setSelectedItemIndex (index, juce::dontSendNotification);
    }

    void addValueItem (MapComboBox& combo, int number, const juce::String& name, int value)
    {
        combo.addItem (juce::String (number) + ") " + name, combo.getNumItems() + 1);
        combo.values.add (value);
    }
}

//==============================================================================
void MainComp::showControlDetail (MappableButton* button)
{
    if (button == nullptr)
        return;

    const auto control = button->getControlNumber();
    const auto isKeys = control == keysControl;

    msgTypeCaption.setText (isKeys ? "Velocity Curve" : "Msg Type", juce::dontSendNotification);
    messageCaption.setText (isKeys ? "Octave" : "Message", juce::dontSendNotification);
    fifthCaption.setText (isKeys ? "Trans" : "Sustain", juce::dontSendNotification);

    // Only the keys choose their list in the first combo (the velocity curve);
    // the other controls show their message type there, fixed by the keyboard.
    msgTypeCombo.setEnabled (isKeys);
    channelCombo.setEnabled (true);
    messageCombo.setEnabled (control != pitchWheelControl);
    fifthCombo.setEnabled (isKeys || control == sustainControl);

    fillDetailCombo (&channelCombo, button);
    fillDetailCombo (&msgTypeCombo, button);
    fillDetailCombo (&messageCombo, button);
    fillDetailCombo (&fifthCombo, button);
}

void MainComp::fillDetailCombo (MapComboBox* combo, MappableButton* button)
{
    if (combo == nullptr)
        return;

    combo->clear (juce::dontSendNotification);
    combo->values.clear();

    if (button == nullptr)
        return;

    const auto control = button->getControlNumber();
    const auto kind = button->getKind();
    const auto isKeys = control == keysControl;
    const auto isPedalOrWheel = isPedalOrWheelControl (control);
    const auto mode = theHost->getCurrentModeIndex();
    const auto status = isKeys ? 0x9 : statusNibbleOfType (*button);
    const auto typeIndex = typeIndexOfStatus (status);
    const auto isHui = mode == huiDawMode;

    const auto& header = deviceSettingsImage.header;
    const juce::uint8* record = isPedalOrWheel ? deviceSettingsImage.pedalAndWheel[(size_t) (control - 2)].data()
                                               : nullptr;

    if (combo == &msgTypeCombo)
    {
        if (isKeys)
        {
            fillWith (*combo, curveNames);
            // Selected with notification on purpose: the change handler then
            // shows "Curve View" and asks for the settings to be sent.
            combo->setSelectedItemIndex (header[3], juce::sendNotification);
        }
        else
        {
            fillWith (*combo, messageTypeNames);

            if (isPedalOrWheel || ! isHui)
                selectIndex (*combo, typeIndex);
        }
    }
    else if (combo == &channelCombo)
    {
        fillWith (*combo, channelNames());

        if (isKeys)
            selectIndex (*combo, header[0] & 0x0F);
        else if (isPedalOrWheel)
            selectIndex (*combo, record[1] & 0x0F);
        else if (! isHui)
            selectIndex (*combo, getControlChannel (mode, control) - 1);
    }
    else if (combo == &messageCombo)
    {
        if (isKeys)
        {
            fillWith (*combo, offsetNames);
            selectIndex (*combo, header[1] - 4);
        }
        else if (isPedalOrWheel)
        {
            for (int value = 0; value < 128; ++value)
                addValueItem (*combo, value, getValueNameOfType (typeIndex, value), value);

            selectIndex (*combo, record[2]);
        }
        else
        {
            const auto count = valueCountForKind (mode, kind);

            for (int index = 0; index < count; ++index)
                addValueItem (*combo, index, getValueName (mode, kind, index, status),
                              getValueForIndex (mode, kind, index));

            if (! isHui)
                selectIndex (*combo, indexOfValue (mode, kind, getRecordValue (control)));
        }
    }
    else if (combo == &fifthCombo)
    {
        if (isKeys)
        {
            fillWith (*combo, offsetNames);
            selectIndex (*combo, header[2] - 4);
        }
        else if (isPedalOrWheel)
        {
            fillWith (*combo, sustainDirections);

            if (control == sustainControl)
                selectIndex (*combo, button->getValueAsInt());
        }
    }
}

void MainComp::handleDetailChange (juce::ComboBox* combo)
{
    auto* button = getSelectedButton();

    if (button == nullptr)
        return;

    const auto control = button->getControlNumber();
    const auto isKeys = control == keysControl;
    const auto id = combo->getSelectedId();

    // Nothing selected (a list that holds no value for this control) changes nothing.
    if (id < 1)
        return;

    if (combo == &msgTypeCombo)
    {
        if (isKeys)
        {
            curveViewButton.setVisible (true);
            button->setVelocityCurve (id - 1);
        }
        else if (id <= (int) std::size (statusOfMessageType))
        {
            button->setMessageType (statusOfMessageType[id - 1]);
        }

        // The value list follows the new message type.
        fillDetailCombo (&messageCombo, button);
    }
    else if (combo == &channelCombo)
    {
        button->setChannel (id);
    }
    else if (combo == &messageCombo)
    {
        if (isKeys)
            button->setOctave (id + 3);
        else
            button->setMessageValue (messageCombo.getSelectedValue());
    }
    else if (combo == &fifthCombo)
    {
        if (isKeys)
            button->setTransposition (id - 1);
        else if (control == sustainControl)
            button->setSustainMode (id - 1);
    }
}

} // namespace NsDravel

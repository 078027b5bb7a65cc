#include "editor/window/MappableButton.h"
#include "editor/model/DeviceSettingsImage.h"
#include "editor/device/Host.h"
#include "editor/model/MappingModel.h"
#include "editor/model/ModelNames.h"

namespace NsDravel
{
    namespace
    {
        int currentDawMode()
        {
            return getModeIndexOfMap (Host::getInstance()->getCurrentMap());
        }
    }

    MappableButton::MappableButton (const juce::String& componentName)
        : juce::TextButton (componentName)
    {
        setColour (juce::TextButton::buttonOnColourId, juce::Colour (0xFFADFF2F));
        binding.value.setValue (0);
    }

    MappableButton::~MappableButton() = default;

    juce::String MappableButton::getMappingText()
    {
        const int mode = currentDawMode();
        const int control = binding.controlNumber;

        if (mode == huiDawMode)
            return getMcpFunctionText (mode, binding.kind,
                                       indexOfValue (mode, binding.kind, (int) binding.value.getValue()));

        const int value = getRecordValue (control);

        switch (getControlStatus (mode, control))
        {
            case 0x9:  return getValueNameOfType (0, value);
            case 0xB:  return "CC" + juce::String (value);
            case 0xC:  return "PC" + juce::String (value);
            case 0xE:  return "PB." + juce::String (value);
            default:   return "ErrWrongMidiType";
        }
    }

    void MappableButton::updateText()
    {
        if (captionLabel != nullptr)
            captionLabel->setText (getMappingText(), juce::dontSendNotification);
        else
            setButtonText (getMappingText());
    }

    void MappableButton::attachToControl (juce::ValueTree control)
    {
        binding.attachToControl (control);
    }

    void MappableButton::setChannel (int channel)          { binding.setChannel (channel, currentDawMode()); }
    void MappableButton::setVelocityCurve (int curveIndex) { binding.setVelocityCurve (curveIndex); }
    void MappableButton::setClockwise (bool clockwise)     { binding.setClockwise (clockwise, currentDawMode()); }
    void MappableButton::setMessageType (int statusNibble) { binding.setMessageType (statusNibble, currentDawMode()); }
    void MappableButton::setOctave (int octaveByte)        { binding.setOctave (octaveByte); }
    void MappableButton::setSustainMode (int polarity)     { binding.setSustainMode (polarity); }
    void MappableButton::setTransposition (int index)      { binding.setTransposition (index); }
    void MappableButton::setMessageValue (int value)       { binding.setMessageValue (value, currentDawMode()); }

    int statusNibbleOfType (const MappableButton& button)
    {
        return statusNibbleOfType (button.getBinding());
    }
}

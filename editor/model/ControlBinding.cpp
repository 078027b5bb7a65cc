#include "editor/model/ControlBinding.h"
#include "editor/model/DeviceSettingsImage.h"
#include "editor/EditorState.h"
#include "editor/model/MappingModel.h"
#include "editor/model/ModelNames.h"

namespace NsDravel
{
    namespace
    {
        juce::uint8 withLowNibble (juce::uint8 byte, int nibble)
        {
            return (juce::uint8) ((byte & 0xF0) | (nibble & 0x0F));
        }

        juce::uint8 withHighNibble (juce::uint8 byte, int nibble)
        {
            return (juce::uint8) ((byte & 0x0F) | ((nibble & 0x0F) << 4));
        }

        juce::uint8 lowByte (int value)
        {
            return (juce::uint8) (value & 0xFF);
        }

        // Byte 1 of every record is the status byte, its low nibble the channel.
        constexpr size_t statusByte = 1;
        constexpr size_t dataByte = 2;
    }

    ControlBinding::ControlBinding() = default;

    void ControlBinding::attachToControl (juce::ValueTree control)
    {
        controlNumber = control.getProperty (ModelIds::id);

        // Start from values of our own, so that nothing still points into a node
        // bound earlier, and a missing node (no map holds controls 8..11) takes the
        // writes without touching any tree.
        type = juce::Value (juce::var (0));
        value = juce::Value (juce::var (0));

        for (auto* member : { &chan, &clockwise, &sustain, &curve, &octave, &transposition })
            *member = juce::Value();

        if (! control.isValid())
            return;

        auto bind = [&control] (juce::Value& member, const juce::Identifier& property)
        {
            member.referTo (control.getPropertyAsValue (property, nullptr));
        };

        bind (type, ModelIds::type);
        bind (chan, ModelIds::chan);

        if (controlNumber == 1)
        {
            bind (octave, ModelIds::octave);
            bind (transposition, ModelIds::transposition);
            bind (curve, ModelIds::curve);
            return;
        }

        bind (value, ModelIds::value);

        if (controlNumber == 2)
            bind (sustain, ModelIds::sustain);

        if (controlNumber == 6 || controlNumber == 20)
            bind (clockwise, ModelIds::clockwise);
    }

    void ControlBinding::setChannel (int channel, int dawMode)
    {
        auto& image = deviceSettingsImage;
        const int nibble = channel - 1;

        if (controlNumber == 1)
            image.header[0] = withLowNibble (image.header[0], nibble);
        else if (isPedalOrWheelControl (controlNumber))
        {
            auto* record = pedalAndWheelRecordOf (image, controlNumber);
            record[statusByte] = withLowNibble (record[statusByte], nibble);
        }
        else if (! isKnobLockedDawMode (dawMode))
            if (auto* knob = knobRecordOf (image, controlNumber))
                knob[statusByte] = withLowNibble (knob[statusByte], nibble);

        chan.setValue (channel);
    }

    void ControlBinding::setMessageType (int statusNibble, int dawMode)
    {
        auto writeType = [statusNibble] (juce::uint8* record)
        {
            record[0] = withLowNibble (record[0], statusNibble);
            record[statusByte] = withHighNibble (record[statusByte], statusNibble);
        };

        if (isPedalOrWheelControl (controlNumber))
            writeType (pedalAndWheelRecordOf (deviceSettingsImage, controlNumber));
        else if (dawMode == userDefinedDawMode)
            if (auto* knob = knobRecordOf (deviceSettingsImage, controlNumber))
                writeType (knob);

        type.setValue (getMessageTypeNames (statusToTypeIndex (statusNibble)));
    }

    void ControlBinding::setMessageValue (int newValue, int dawMode)
    {
        if (isPedalOrWheelControl (controlNumber))
            pedalAndWheelRecordOf (deviceSettingsImage, controlNumber)[dataByte] = lowByte (newValue);
        else if (! isKnobLockedDawMode (dawMode))
            if (auto* knob = knobRecordOf (deviceSettingsImage, controlNumber))
                knob[dataByte] = lowByte (newValue);

        value.setValue (newValue);
    }

    void ControlBinding::setVelocityCurve (int curveIndex)
    {
        deviceSettingsImage.header[3] = lowByte (curveIndex);
        currentCurveNumber = curveIndex + 1;
        curve.setValue (curveIndex);
    }

    void ControlBinding::setOctave (int octaveByte)
    {
        deviceSettingsImage.header[1] = lowByte (octaveByte);
        octave.setValue (octaveByte);
    }

    void ControlBinding::setTransposition (int index)
    {
        deviceSettingsImage.header[2] = lowByte (index + 4);
        transposition.setValue (index + 4);
    }

    void ControlBinding::setSustainMode (int polarity)
    {
        writeSustainPolarity (pedalAndWheelRecordOf (deviceSettingsImage, controlNumber), polarity);
        sustain.setValue (polarity);
    }

    void ControlBinding::setClockwise (bool isClockwise, int dawMode)
    {
        if (dawMode == userDefinedDawMode)
        {
            if (auto* knob = knobRecordOf (deviceSettingsImage, controlNumber))
                writeKnobDirection (knob, isClockwise);
        }

        clockwise.setValue (isClockwise ? 1 : 0);
    }

    int ControlBinding::getValueAsInt() const
    {
        return (int) sustain.getValue();
    }

    int ControlBinding::getStatusNibbleOfType() const
    {
        return statusNibbleOfTypeIndex (parseMessageType (type.getValue().toString()));
    }

    int statusNibbleOfType (const ControlBinding& binding)
    {
        return binding.getStatusNibbleOfType();
    }
}

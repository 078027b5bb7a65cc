#include "editor/model/DeviceSettingsImage.h"
#include "editor/model/ModelNames.h"

namespace NsDravel
{
    DeviceSettingsImage deviceSettingsImage;

    const DeviceSettingsImage factorySettingsImage
    {
        // Keys: note-on on channel 1, no octave shift, no transposition, curve 1.
        { 0x90, 0x08, 0x08, 0x00, 0xF0 },
        {{
            { 0x0B, 0xB0, 0x40, 0x00, 0x7F, 0xF0 },   // sustain pedal: CC 64, by pressing
            { 0x0B, 0xB0, 0x0B, 0x00, 0x7F, 0xF0 },   // expression pedal: CC 11
            { 0x0E, 0xE0, 0x01, 0x00, 0x00, 0x00 },   // pitch wheel: pitch bend
            { 0x0B, 0xB0, 0x01, 0x00, 0x00, 0x00 }    // modulation wheel: CC 1
        }},
        {{
            { 0x0B, 0xB0, 0x07, 0x40, 0x00 },         // knob 1: CC 7, clockwise
            { 0x0B, 0xB0, 0x0A, 0x40, 0x00 }          // knob 2: CC 10, clockwise
        }}
    };

    std::array<juce::uint8, sentImageByteCount> getImageBytesInSendOrder (const DeviceSettingsImage& image)
    {
        std::array<juce::uint8, sentImageByteCount> bytes {};
        size_t n = 0;

        for (auto b : image.header)
            bytes[n++] = b;

        // The wheels' last byte is not part of what the keyboard takes.
        for (size_t record = 0; record < image.pedalAndWheel.size(); ++record)
            for (size_t i = 0; i < (record < 2 ? 6u : 5u); ++i)
                bytes[n++] = image.pedalAndWheel[record][i];

        for (auto& record : image.knobs)
            for (auto b : record)
                bytes[n++] = b;

        jassert (n == bytes.size());
        return bytes;
    }

    void resetImageToFactory()
    {
        deviceSettingsImage = factorySettingsImage;
    }

    //==============================================================================
    bool isPedalOrWheelControl (int control)
    {
        return control >= 2 && control <= 5;
    }

    int recordIndexOfControl (int control)
    {
        static constexpr int indexOfControl[] { 0, 0, 0, 1, 2, 3, 0, 1 };   // by control number 0..7
        return (control >= 1 && control <= 7) ? indexOfControl[control] : 0;
    }

    juce::uint8* knobRecordOf (DeviceSettingsImage& image, int control)
    {
        auto index = (size_t) recordIndexOfControl (control);
        return index < image.knobs.size() ? image.knobs[index].data() : nullptr;
    }

    const juce::uint8* knobRecordOf (const DeviceSettingsImage& image, int control)
    {
        auto index = (size_t) recordIndexOfControl (control);
        return index < image.knobs.size() ? image.knobs[index].data() : nullptr;
    }

    juce::uint8* pedalAndWheelRecordOf (DeviceSettingsImage& image, int control)
    {
        return image.pedalAndWheel[(size_t) recordIndexOfControl (control)].data();
    }

    void writeSustainPolarity (juce::uint8* record, int polarity)
    {
        record[3] = polarity != 0 ? 0x7F : 0x00;
        record[4] = polarity != 0 ? 0x00 : 0x7F;
    }

    void writeKnobDirection (juce::uint8* knobRecord, bool isClockwise)
    {
        knobRecord[3] = isClockwise ? 0x40 : 0x00;
        knobRecord[4] = isClockwise ? 0x00 : 0x40;
    }

    bool isKnobClockwise (const juce::uint8* knobRecord)
    {
        return knobRecord[3] != 0x00;
    }

    //==============================================================================
    int getControlChannel (int mode, int control)
    {
        const auto& image = deviceSettingsImage;

        if (control == 1)
            return (image.header[0] & 0x0F) + 1;

        if (isPedalOrWheelControl (control))
            return (image.pedalAndWheel[(size_t) (control - 2)][1] & 0x0F) + 1;

        if (mode == huiDawMode)
            return 1;

        auto* knob = knobRecordOf (image, control);
        return knob != nullptr ? (knob[1] & 0x0F) + 1 : 1;
    }

    int getControlStatus (int, int control)
    {
        const auto& image = deviceSettingsImage;

        if (control == 1)
            return 9;   // the keys always send notes

        if (isPedalOrWheelControl (control))
            return image.pedalAndWheel[(size_t) (control - 2)][0] & 0x0F;

        auto* knob = knobRecordOf (image, control);
        return knob != nullptr ? knob[0] : 0;
    }

    int getRecordValue (int control)
    {
        auto* knob = knobRecordOf (deviceSettingsImage, control);
        return knob != nullptr ? knob[2] : 0;
    }

    int getControlDataValue (int control)
    {
        if (control == 1)
            return 0;

        if (isPedalOrWheelControl (control))
            return deviceSettingsImage.pedalAndWheel[(size_t) (control - 2)][2];

        return getRecordValue (control);
    }

    int getOctaveByte (int, int control)
    {
        return control == 1 ? deviceSettingsImage.header[1] : 0;
    }

    int getFactorySustainByte (int, int control)
    {
        return control == 2 ? factorySettingsImage.pedalAndWheel[0][3] : 0;
    }
}

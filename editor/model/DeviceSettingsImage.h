#pragma once

#include <juce_core/juce_core.h>
#include <array>

/** The block of bytes that the keyboard takes as its control setup, and the
    readers that turn it back into channels, message types and data values.

    Control numbers: 1 the keys (the header), 2..5 the sustain pedal, expression
    pedal, pitch wheel and modulation wheel (the pedal-and-wheel records), 6 and 7
    the two knobs (the knob records). Message thread only.
*/
namespace NsDravel
{
    /** The keyboard's settings: the keys' header, four pedal-and-wheel records
        and two knob records. */
    struct DeviceSettingsImage
    {
        static constexpr int headerSize = 5;
        static constexpr int pedalAndWheelRecordCount = 4;
        static constexpr int pedalAndWheelRecordSize = 6;
        static constexpr int knobRecordCount = 2;
        static constexpr int knobRecordSize = 5;

        /** Byte 0: 0x90 | channel - 1; 1: octave + 8; 2: transposition + 8;
            3: velocity curve index 0..7; 4: constant 0xF0. */
        std::array<juce::uint8, headerSize> header {};

        /** Byte 0: status nibble low; 1: status byte (status nibble high, channel - 1 low);
            2: data value; 3, 4: sustain polarity pair; 5: constant. */
        std::array<std::array<juce::uint8, pedalAndWheelRecordSize>, pedalAndWheelRecordCount> pedalAndWheel {};

        /** Byte 0: status; 1: status byte with channel; 2: controller number;
            3, 4: direction pair. */
        std::array<std::array<juce::uint8, knobRecordSize>, knobRecordCount> knobs {};

        bool operator== (const DeviceSettingsImage& other) const
        {
            return header == other.header && pedalAndWheel == other.pedalAndWheel && knobs == other.knobs;
        }

        bool operator!= (const DeviceSettingsImage& other) const   { return ! operator== (other); }
    };

    /** The image that is edited and sent; all zero until the first factory defaults. */
    extern DeviceSettingsImage deviceSettingsImage;

    /** The keyboard's factory settings. */
    extern const DeviceSettingsImage factorySettingsImage;

    /** Number of image bytes that a settings transfer sends. */
    constexpr int sentImageByteCount = 37;

    /** The bytes of an image in the order the keyboard takes them: the header, the
        sustain and expression records whole, bytes 0..4 of the two wheel records,
        then both knob records. */
    std::array<juce::uint8, sentImageByteCount> getImageBytesInSendOrder (const DeviceSettingsImage& image = deviceSettingsImage);

    /** Copies the factory image over the edited one. */
    void resetImageToFactory();

    //==============================================================================
    /** True for the pedals and wheels, controls 2..5. */
    bool isPedalOrWheelControl (int control);

    /** The record of a control within its table: 1 -> 0, 2..5 -> 0..3, 6 -> 0, 7 -> 1,
        any other number -> 0. */
    int recordIndexOfControl (int control);

    /** The knob record that a control number addresses, or nullptr when the record
        index lies outside the two knob records (as for controls 4 and 5). */
    juce::uint8* knobRecordOf (DeviceSettingsImage& image, int control);
    const juce::uint8* knobRecordOf (const DeviceSettingsImage& image, int control);

    /** The pedal-and-wheel record that a control number addresses through the record
        index table (controls 1, 6 and unknown numbers give record 0, control 7 record 1). */
    juce::uint8* pedalAndWheelRecordOf (DeviceSettingsImage& image, int control);

    /** Writes the sustain polarity pair (bytes 3 and 4) of a pedal-and-wheel record:
        non-zero polarity acts on release (7F 00), zero on press (00 7F). */
    void writeSustainPolarity (juce::uint8* record, int polarity);

    /** Writes the turning direction pair (bytes 3 and 4) of a knob record. */
    void writeKnobDirection (juce::uint8* knobRecord, bool isClockwise);

    /** True when a knob record's direction pair (bytes 3 and 4) says clockwise (40 00). */
    bool isKnobClockwise (const juce::uint8* knobRecord);

    //==============================================================================
    /** MIDI channel 1..16 that a control sends on. Knobs read 1 in DAW mode 5. */
    int getControlChannel (int mode, int control);

    /** Status of a control's message: 9 for the keys, the status nibble for pedals and
        wheels, the whole status byte of the record for the knobs. */
    int getControlStatus (int mode, int control);

    /** Data value (byte 2) of the knob record of a control; 0 when the control
        addresses no knob record. */
    int getRecordValue (int control);

    /** The data value a control's record holds: 0 for the keys, byte 2 of the record
        for the pedals, wheels and knobs (and of knob record 0 for other numbers). */
    int getControlDataValue (int control);

    /** The keys' octave byte (octave + 8); 0 for any other control. */
    int getOctaveByte (int mode, int control);

    /** The sustain pedal's factory polarity byte; 0 for any other control. */
    int getFactorySustainByte (int mode, int control);
}

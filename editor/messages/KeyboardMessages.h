#pragma once

#include <juce_audio_basics/juce_audio_basics.h>
#include <optional>

/** Every message the editor sends to a Dravel keyboard or reads from it.
    Pure builders and parsers: they never touch a port. Every data byte they
    produce is below 0x80, whatever the arguments, so that no status byte can
    end up inside a message. Any thread.

    Forms without a product id argument read the device link's current ids
    (NsDravel::productId, NsDravel::detectedProductId). */
namespace NsDravel
{
    /** Parameter that closes a settings transfer (sent with value 0). */
    constexpr int endOfSettingsParameter = 0x0201;

    /** Parameter of the "Save Device Settings" command (sent with value 1). */
    constexpr int saveDeviceSettingsParameter = 0x0135;

    /** Curve number of the user curve that the curve dump carries. */
    constexpr int userCurveDumpNumber = 8;

    /** Length of a curve dump: nine header bytes, 256 curve bytes, F7. */
    constexpr int curveDumpLength = 266;

    /** The wake-up: pitch bend on channel 16 at its maximum value, sent ahead
        of message groups. */
    constexpr juce::uint8 wakeUpMessageBytes[3] { 0xEF, 0x7F, 0x7F };

    /** The nine-byte SysEx that most requests share: F0 1D 03, the product id
        as two 7-bit bytes (high, low), b5 b6 b7, F7. The three bytes are the
        caller's and must be below 0x80. */
    juce::MidiMessage makeNineByteSysex (int productId, juce::uint8 b5, juce::uint8 b6, juce::uint8 b7);

    /** The wake-up as a message. */
    juce::MidiMessage makeWakeUpMessage();

    /** Note-on, channel 15, note 127, velocity 127: closes a run of settings bytes. */
    juce::MidiMessage makeEndMarkerMessage();

    /** One byte carried as a note-on on channel 16: note = high nibble,
        velocity = low nibble (a low nibble of 0 stays a velocity-0 note-on). */
    juce::MidiMessage makeSettingsByteMessage (juce::uint8 byte);

    /** Selects the keyboard's DAW mode; the byte sent is modeIndex + 1 (1 to 11). */
    juce::MidiMessage makeModeSelectSysex (int productId, juce::uint8 modeIndex);

    /** Writes a 16-bit parameter number with a one-byte value. The value is
        clamped to 0x7F; a parameter number whose bytes would not fit in seven
        bits is a caller error and is masked. */
    juce::MidiMessage makeParameterSysex (int productId, int parameterNumber, juce::uint8 value);

    /** The same for NsDravel::productId. */
    juce::MidiMessage makeParameterSysex (int parameterNumber, juce::uint8 value);

    /** Asks the keyboard for its firmware version. */
    juce::MidiMessage makeVersionRequestSysex (int productId);

    /** The same for NsDravel::productId. */
    juce::MidiMessage makeVersionRequestSysex();

    /** The 266-byte dump of velocity curve 1..8 (curve numbers outside that
        range are a caller error and are clamped into it). Curve bytes above
        0x7F are clamped to 0x7F. */
    juce::MidiMessage makeCurveDumpSysex (int productId, int curveNumber);

    /** The same for NsDravel::detectedProductId. */
    juce::MidiMessage makeCurveDumpSysex (int curveNumber);

    /** The version text from a reply's four data bytes: empty when all are 0,
        else "V" a "." (b mod 10)(c mod 10), then "-" d when d is not 0. */
    juce::String makeVersionText (int a, int b, int c, int d);

    /** The version text of a version reply for this product id, or nothing when
        the message is not one. The reply may carry an empty text. */
    std::optional<juce::String> decodeVersionReply (const juce::MidiMessage& message, int productId);

    /** The same for NsDravel::productId. */
    std::optional<juce::String> decodeVersionReply (const juce::MidiMessage& message);
}

#include "editor/messages/KeyboardMessages.h"
#include "editor/curves/VelocityCurves.h"

#include <algorithm>

namespace NsDravel
{
    namespace
    {
        constexpr juce::uint8 sysexStart     = 0xF0;
        constexpr juce::uint8 sysexEnd       = 0xF7;
        constexpr juce::uint8 manufacturerId = 0x1D;
        constexpr juce::uint8 deviceFamily   = 0x03;

        // A product id travels as two 7-bit bytes. Ids in use are below
        // 16384, so the mask only matters for a wrong id, which must still not
        // put a status byte into the message.
        juce::uint8 idHighByte (int productId)  { return (juce::uint8) ((productId >> 7) & 0x7F); }
        juce::uint8 idLowByte (int productId)   { return (juce::uint8) (productId & 0x7F); }

        juce::uint8 clampToDataByte (int value)
        {
            return (juce::uint8) juce::jlimit (0, 0x7F, value);
        }
    }

    juce::MidiMessage makeNineByteSysex (int productId, juce::uint8 b5, juce::uint8 b6, juce::uint8 b7)
    {
        const juce::uint8 bytes[] { sysexStart, manufacturerId, deviceFamily,
                                    idHighByte (productId), idLowByte (productId),
                                    b5, b6, b7,
                                    sysexEnd };
        return juce::MidiMessage (bytes, (int) sizeof (bytes), 0.0);
    }

    juce::MidiMessage makeWakeUpMessage()
    {
        return juce::MidiMessage (wakeUpMessageBytes, (int) sizeof (wakeUpMessageBytes), 0.0);
    }

    juce::MidiMessage makeEndMarkerMessage()
    {
        return juce::MidiMessage::noteOn (15, 127, (juce::uint8) 127);   // 9E 7F 7F
    }

    juce::MidiMessage makeSettingsByteMessage (juce::uint8 byte)
    {
        return juce::MidiMessage (0x9F,              // note-on, channel 16
                                  byte >> 4,         // note: high nibble
                                  byte & 0x0F,       // velocity: low nibble, 0 kept as is
                                  0.0);
    }

    juce::MidiMessage makeModeSelectSysex (int productId, juce::uint8 modeIndex)
    {
        jassert (modeIndex <= 10);
        return makeNineByteSysex (productId,
                                  0x00,                                  // command: mode select
                                  clampToDataByte (modeIndex + 1),       // mode 1..11
                                  0x7F);
    }

    juce::MidiMessage makeParameterSysex (int productId, int parameterNumber, juce::uint8 value)
    {
        jassert (parameterNumber >= 0 && parameterNumber <= 0x7F7F && (parameterNumber & 0x80) == 0);
        return makeNineByteSysex (productId,
                                  (juce::uint8) ((parameterNumber >> 8) & 0x7F),  // parameter, high byte
                                  (juce::uint8) (parameterNumber & 0x7F),         // parameter, low byte
                                  clampToDataByte (value));
    }

    juce::MidiMessage makeVersionRequestSysex (int productId)
    {
        return makeNineByteSysex (productId,
                                  0x00, 0x01,    // command: version request
                                  0x00);
    }

    juce::MidiMessage makeCurveDumpSysex (int productId, int curveNumber)
    {
        jassert (curveNumber >= 1 && curveNumber <= numVelocityCurves);
        curveNumber = juce::jlimit (1, numVelocityCurves, curveNumber);

        juce::uint8 bytes[curveDumpLength];
        const juce::uint8 header[] { sysexStart, manufacturerId, deviceFamily,
                                     idHighByte (productId), idLowByte (productId),
                                     0x02, 0x02,                  // command: curve dump
                                     (juce::uint8) curveNumber,
                                     0x00 };
        std::copy (std::begin (header), std::end (header), bytes);

        const auto* curve = getVelocityCurve (curveNumber);
        for (int i = 0; i < velocityCurveLength; ++i)
            bytes[(int) sizeof (header) + i] = clampToDataByte (curve[i]);

        bytes[curveDumpLength - 1] = sysexEnd;
        return juce::MidiMessage (bytes, curveDumpLength, 0.0);
    }

    juce::String makeVersionText (int a, int b, int c, int d)
    {
        if (a == 0 && b == 0 && c == 0 && d == 0)
            return {};

        auto text = "V" + juce::String (a) + "." + juce::String (b % 10) + juce::String (c % 10);

        if (d != 0)
            text << "-" << d;

        return text;
    }

    std::optional<juce::String> decodeVersionReply (const juce::MidiMessage& message, int productId)
    {
        const int size = message.getRawDataSize();
        if (size <= 3)
            return std::nullopt;

        const auto* bytes = message.getRawData();

        // Bytes 0 and 11 are not examined.
        if (bytes[1] != manufacturerId || bytes[2] != deviceFamily || size != 12)
            return std::nullopt;

        if (bytes[3] != idHighByte (productId) || bytes[4] != idLowByte (productId)
            || bytes[5] != 0x00 || bytes[6] != 0x01)
            return std::nullopt;

        return makeVersionText (bytes[7], bytes[8], bytes[9], bytes[10]);
    }
}

#include "editor/EditorState.h"

namespace NsDravel
{
    juce::MidiMessage makeParameterSysex (int parameterNumber, juce::uint8 value)
    {
        return makeParameterSysex (productId.load(), parameterNumber, value);
    }

    juce::MidiMessage makeVersionRequestSysex()
    {
        return makeVersionRequestSysex (productId.load());
    }

    juce::MidiMessage makeCurveDumpSysex (int curveNumber)
    {
        return makeCurveDumpSysex (detectedProductId.load(), curveNumber);
    }

    std::optional<juce::String> decodeVersionReply (const juce::MidiMessage& message)
    {
        return decodeVersionReply (message, productId.load());
    }
}

#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

/** The short exchanges with a unit around its firmware upgrade mode: the
    message that sends it there, and what its answers mean. Pure functions;
    they never touch a port. Any thread.

    The version request is the editor's (NsDravel::makeVersionRequestSysex). */
namespace halvik
{
    /** Asks a unit to enter its firmware upgrade mode, for the model code of
        the product (getSysExModelCode). The long form (length 9, the default)
        is F0 1D 03 c1 c2 00 7F m F7 with m = 7E for the products 157 and 158
        and 7F for all others; any length below 9 gives the short form
        F0 1D 03 c1 c2 55 7F F7. */
    juce::MidiMessage makeEnterUpgradeModeSysEx (int productId, int length = 9);

    /** What one message from a unit tells the upgrader. */
    struct UnitReply
    {
        enum class Kind
        {
            none,           ///< not a reply the upgrader understands
            negative,       ///< 9F nn 7F: the unit refused
            connectAck,     ///< 9F 7F vv
            eraseAck,       ///< 9F 00 vv
            dataAck,        ///< 9F 01 vv
            resetAck,       ///< 9F 02 vv
            upgradeMode,    ///< EC 2D vv: whether the unit is in its upgrade mode
            version         ///< the 12-byte version reply
        };

        Kind kind = Kind::none;
        bool upgradeModeOn = false;         ///< for upgradeMode: vv == 01
        juce::uint8 versionBytes[4] {};     ///< for version: a, b, c, d

        /** For version: the version as a number (see unitVersionValue). */
        float versionValue() const;

        /** For version: all four bytes are 0, which a unit in upgrade mode sends. */
        bool isAllZeroVersion() const;
    };

    /** Reads one message from a unit. Acknowledgements (vv other than 7F) and
        negative replies are note-ons on channel 16, exactly 3 bytes; the
        version reply is F0 1D 03 x1 x2 00 01 a b c d F7, exactly 12 bytes,
        whatever x1, x2 and the last byte hold. */
    UnitReply parseUnitReply (const juce::MidiMessage& message);

    /** a + b/10 + c/100 + d/1000 as a float, rounded the way units have always
        been compared: 1 7 6 0 gives 1.76. */
    float unitVersionValue (int a, int b, int c, int d);
}

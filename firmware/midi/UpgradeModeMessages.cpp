#include "firmware/midi/UpgradeModeMessages.h"

#include "editor/messages/KeyboardMessages.h"
#include "firmware/catalogue/ProductCatalogue.h"

namespace halvik
{
    juce::MidiMessage makeEnterUpgradeModeSysEx (int productId, int length)
    {
        const auto code = getSysExModelCode (productId);

        if (length < 9)
        {
            const auto codeHigh = (juce::uint8) ((code >> 7) & 0x7F);
            const auto codeLow = (juce::uint8) (code % 128);

            const juce::uint8 bytes[] { 0xF0, 0x1D, 0x03,       // SysEx, maker id
                                        codeHigh, codeLow,      // model code
                                        0x55, 0x7F,             // command: enter upgrade mode (short form)
                                        0xF7 };
            return juce::MidiMessage (bytes, (int) sizeof (bytes));
        }

        const bool tagged = productId == 157 || productId == 158;
        return NsDravel::makeNineByteSysex (code,                           // the model code where the id goes
                                            0x00, 0x7F,                     // command: enter upgrade mode
                                            (juce::uint8) (tagged ? 0x7E : 0x7F));  // mode byte
    }

    float UnitReply::versionValue() const
    {
        return unitVersionValue (versionBytes[0], versionBytes[1], versionBytes[2], versionBytes[3]);
    }

    bool UnitReply::isAllZeroVersion() const
    {
        return versionBytes[0] == 0 && versionBytes[1] == 0 && versionBytes[2] == 0 && versionBytes[3] == 0;
    }

    UnitReply parseUnitReply (const juce::MidiMessage& message)
    {
        const auto* d = message.getRawData();
        const auto size = message.getRawDataSize();
        UnitReply reply;

        if (size == 3 && d[0] == 0x9F)                          // note-on, channel 16
        {
            if (d[2] == 0x7F)                                   // velocity 7F: refused
            {
                reply.kind = UnitReply::Kind::negative;
                return reply;
            }

            switch (d[1])                                       // note: the packet's command
            {
                case 0x7F: reply.kind = UnitReply::Kind::connectAck; break;
                case 0x00: reply.kind = UnitReply::Kind::eraseAck;   break;
                case 0x01: reply.kind = UnitReply::Kind::dataAck;    break;
                case 0x02: reply.kind = UnitReply::Kind::resetAck;   break;
                default: break;
            }

            return reply;
        }

        if (size == 3 && d[0] == 0xEC && d[1] == 0x2D)          // pitch bend, channel 13, 2D: mode report
        {
            reply.kind = UnitReply::Kind::upgradeMode;
            reply.upgradeModeOn = d[2] == 0x01;
            return reply;
        }

        if (size == 12 && d[0] == 0xF0 && d[1] == 0x1D && d[2] == 0x03   // SysEx, maker id
             && d[5] == 0x00 && d[6] == 0x01)                             // command: version
        {
            reply.kind = UnitReply::Kind::version;

            for (int i = 0; i < 4; ++i)
                reply.versionBytes[i] = d[7 + i];
        }

        return reply;
    }

    float unitVersionValue (int a, int b, int c, int d)
    {
        // Two roundings to float, in this order, as a unit's version value is
        // defined: for some versions (0.013 among them) a single rounding
        // would give another float.
        const auto major = (float) ((double) b * 0.1 + (double) a + (double) c * 0.01);
        return (float) ((double) major + (double) d * 0.001);
    }
}

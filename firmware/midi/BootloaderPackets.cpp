#include "firmware/midi/BootloaderPackets.h"

#include "editor/KeyboardMessages.h"

namespace halvik
{
    std::array<juce::uint8, 17> makeControlPacket (juce::uint8 command, juce::uint8 parameter)
    {
        std::array<juce::uint8, 17> packet {};

        for (int i = 0; i < 10; ++i)
            packet[(size_t) i] = 0x55;                   // preamble

        packet[10] = 0x1D;                                // maker id
        packet[11] = 0x03;
        packet[12] = 0x00;
        packet[13] = 0x49;                                // bootloader
        packet[14] = command;
        packet[15] = parameter;

        unsigned sum = 0;
        for (int i = 0; i < 16; ++i)
            sum += packet[(size_t) i];

        packet[16] = (juce::uint8) (sum & 0xFF);          // check sum
        return packet;
    }

    juce::MidiMessage makePacketByteMessage (juce::uint8 byte)
    {
        return NsDravel::makeSettingsByteMessage (byte);
    }

    bool sendBootloaderReset (NsDravel::MidiOutputPort& output)
    {
        output.sendMessageNow (NsDravel::makeWakeUpMessage());
        NsDravel::pauseMicroseconds (500.0);

        for (auto byte : makeControlPacket (bootloaderResetCommand, 0x00))
        {
            output.sendMessageNow (makePacketByteMessage (byte));
            NsDravel::pauseMicroseconds (500.0);
        }

        return true;
    }
}

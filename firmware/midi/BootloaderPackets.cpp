#include "firmware/midi/BootloaderPackets.h"

#include "editor/messages/KeyboardMessages.h"

#include <algorithm>

namespace halvik
{
    namespace
    {
        // Ten 55 bytes, maker id 1D 03, 00, 49 (bootloader): every packet starts so.
        template <size_t size>
        void writePacketHeader (std::array<juce::uint8, size>& packet)
        {
            for (size_t i = 0; i < 10; ++i)
                packet[i] = 0x55;                         // preamble

            packet[10] = 0x1D;                            // maker id
            packet[11] = 0x03;
            packet[12] = 0x00;
            packet[13] = 0x49;                            // bootloader
        }

        // The last byte: the low 8 bits of the sum of all bytes before it.
        template <size_t size>
        void writeCheckSum (std::array<juce::uint8, size>& packet)
        {
            unsigned sum = 0;

            for (size_t i = 0; i + 1 < size; ++i)
                sum += packet[i];

            packet[size - 1] = (juce::uint8) (sum & 0xFF);
        }
    }

    std::array<juce::uint8, 17> makeControlPacket (juce::uint8 command, juce::uint8 parameter)
    {
        std::array<juce::uint8, 17> packet {};
        writePacketHeader (packet);
        packet[14] = command;
        packet[15] = parameter;
        writeCheckSum (packet);
        return packet;
    }

    std::array<juce::uint8, 530> makeDataPacket (juce::uint8 sequence, const juce::uint8* data)
    {
        std::array<juce::uint8, 530> packet {};
        writePacketHeader (packet);
        packet[14] = bootloaderDataCommand;
        packet[15] = sequence;
        packet[16] = 0x00;
        std::copy (data, data + dataBytesPerPacket, packet.begin() + 17);
        writeCheckSum (packet);
        return packet;
    }

    juce::uint8 getEraseCode (int productId)
    {
        switch (productId)
        {
            case 94: case 130: case 182: case 183:
                return 0x71;

            default:
                return 0x70;
        }
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

#pragma once

#include "firmware/FirmwareImageLimit.h"
#include "midi/MidiPortSystem.h"

#include <array>
#include <vector>

/** The packets of the MIDI bootloader. Every packet byte travels as a note-on
    on channel 16 (note = high nibble, velocity = low nibble). Pure functions
    except where a port is named. */
namespace halvik
{
    /** Control packet commands. */
    constexpr juce::uint8 bootloaderConnectCommand = 0x7F;
    constexpr juce::uint8 bootloaderEraseCommand   = 0x00;
    constexpr juce::uint8 bootloaderResetCommand   = 0x02;

    /** The data packet's command. */
    constexpr juce::uint8 bootloaderDataCommand    = 0x01;

    /** The image bytes one data packet carries. */
    constexpr int dataBytesPerPacket = 512;

    /** The smallest and the largest image the bootloader takes: the largest
        is one byte short of the largest image file. */
    constexpr int smallestFirmwareImage = 512;
    constexpr int largestFirmwareImage = (int) maxFirmwareImageBytes - 1;

    /** A 17-byte control packet: ten 55 bytes, 1D 03 00 49, command,
        parameter, and the low 8 bits of the sum of the 16 bytes before it. */
    std::array<juce::uint8, 17> makeControlPacket (juce::uint8 command, juce::uint8 parameter);

    /** A 530-byte data packet: ten 55 bytes, 1D 03 00 49, 01, the sequence
        number, 00, the 512 bytes at data, and the low 8 bits of the sum of the
        529 bytes before it. */
    std::array<juce::uint8, 530> makeDataPacket (juce::uint8 sequence, const juce::uint8* data);

    /** The erase packet's parameter for a product: 71 for the products 94,
        130, 182 and 183, 70 for every other id. */
    juce::uint8 getEraseCode (int productId);

    /** The note-on that carries one packet byte. */
    juce::MidiMessage makePacketByteMessage (juce::uint8 byte);

    /** Tells a unit in its bootloader to restart: the wake-up, a 0.5 ms pause,
        then the 17 bytes of the reset packet, each followed by 0.5 ms. */
    bool sendBootloaderReset (NsDravel::MidiOutputPort& output);
}

#pragma once

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

    /** A 17-byte control packet: ten 55 bytes, 1D 03 00 49, command,
        parameter, and the low 8 bits of the sum of the 16 bytes before it. */
    std::array<juce::uint8, 17> makeControlPacket (juce::uint8 command, juce::uint8 parameter);

    /** The note-on that carries one packet byte. */
    juce::MidiMessage makePacketByteMessage (juce::uint8 byte);

    /** Tells a unit in its bootloader to restart: the wake-up, a 0.5 ms pause,
        then the 17 bytes of the reset packet, each followed by 0.5 ms. */
    bool sendBootloaderReset (NsDravel::MidiOutputPort& output);
}

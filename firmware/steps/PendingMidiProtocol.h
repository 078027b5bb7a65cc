#pragma once

// Temporary: the upgrade-mode message builder and the reset of every
// upgrade-mode port are being written with the upgrader's MIDI connection.
// Until they land, the steps use these placeholders.

#include <juce_audio_basics/juce_audio_basics.h>

#include "firmware/catalogue/ProductCatalogue.h"

namespace halvik::pending
{
    inline juce::MidiMessage makeEnterUpgradeModeSysEx (int productId, int length = 9)
    {
        const auto code = getSysExModelCode (productId);
        const auto c1 = (juce::uint8) (code >> 7);
        const auto c2 = (juce::uint8) (code & 0x7F);

        if (length < 9)
        {
            const juce::uint8 bytes[] { 0xF0, 0x1D, 0x03, c1, c2, 0x55, 0x7F, 0xF7 };
            return juce::MidiMessage (bytes, (int) sizeof (bytes));
        }

        const juce::uint8 m = (productId == 157 || productId == 158) ? 0x7E : 0x7F;
        const juce::uint8 bytes[] { 0xF0, 0x1D, 0x03, c1, c2, 0x00, 0x7F, m, 0xF7 };
        return juce::MidiMessage (bytes, (int) sizeof (bytes));
    }

    inline bool resetAllUpgradePorts() { return false; }
}

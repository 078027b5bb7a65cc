#pragma once

#include <juce_core/juce_core.h>

/** The upgrader's searches over the names of the system's MIDI ports. Message
    thread; each call reads the port lists afresh. */
namespace halvik
{
    /** Whether a port name is that of a unit in its firmware upgrade mode. */
    bool isUpgradePortName (juce::String name);

    /** The highest port number among the MIDI outputs of the product, 0 when
        it has none. */
    int getHighestPortNumber (int productId);

    /** Whether the presence of a MIDI output of the product equals `present`. */
    bool isProductPortPresent (int productId, bool present);

    /** The number of MIDI outputs (or inputs) whose name contains the text, case ignored. */
    int countMidiPortsContaining (const juce::String& text, bool outputs);
}

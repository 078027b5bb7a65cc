// STAND-IN, to be replaced at merge by the window helper's port lookups: only
// the few that the MIDI connection and the upgrade-mode exchanges call.

#include "firmware/midi/UpgraderPortLookups.h"

#include "editor/PortNames.h"
#include "firmware/UpgraderState.h"
#include "firmware/catalogue/PortNameTable.h"
#include "midi/MidiPortNames.h"

namespace halvik
{
    bool isUpgradePortName (juce::String name)
    {
        const bool generic = toolProbeMode && ! autoAdvance;
        const bool exact = name.contains ("Halvik firmware upgrade");

        if (generic)
            return exact || name.toLowerCase().trim().matchesWildcard ("HALVIK*Midi*", true);

        return exact;
    }

    int getHighestPortNumber (int productId)
    {
        int highest = 0;

        for (auto& name : NsDravel::listMidiOutputNames())
            if (getProductIdFromPortName (name) == productId)
                highest = juce::jmax (highest, NsDravel::portNumberOfName (name));

        return highest;
    }

    bool isProductPortPresent (int productId, bool present)
    {
        for (auto& name : NsDravel::listMidiOutputNames())
            if (getProductIdFromPortName (name) == productId)
                return present;

        return ! present;
    }

    int countMidiPortsContaining (const juce::String& text, bool outputs)
    {
        int count = 0;

        for (auto& name : outputs ? NsDravel::listMidiOutputNames() : NsDravel::listMidiInputNames())
            if (name.containsIgnoreCase (text))
                ++count;

        return count;
    }
}

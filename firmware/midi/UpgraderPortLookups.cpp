#include "firmware/midi/UpgraderPortLookups.h"

#include "editor/device/PortNames.h"
#include "firmware/UpgraderState.h"
#include "firmware/catalogue/PortNameTable.h"
#include "firmware/catalogue/ProductCatalogue.h"
#include "midi/MidiPortNames.h"

namespace halvik
{
    const char* const upgradePortText        = "Halvik firmware upgrade";
    const char* const upgradePortDisplayName = "Halvik firmware upgrade manager";

    namespace
    {
        // A port of one of the maker's units whose model the name does not tell.
        bool isGenericUnitPortName (const juce::String& name)
        {
            return name.matchesWildcard ("HALVIK*Midi*", true);
        }

        bool isWindowsAliasName (const juce::String& name, bool caseSensitive)
        {
            if (caseSensitive)
                return NsDravel::isMidiOutPortName (name) || NsDravel::isMidiInPortName (name);

            return name.matchesWildcard ("MIDIOUT? (*", true) || name.matchesWildcard ("MIDIIN? (*", true);
        }

        juce::StringArray namesOf (bool outputs)
        {
            return outputs ? NsDravel::listMidiOutputNames() : NsDravel::listMidiInputNames();
        }

        juce::StringArray listUsable (bool outputs, bool filtered, bool microsoftOnly, bool aliasesAllowed)
        {
            auto names = namesOf (outputs);
            names.removeDuplicates (false);
            names.removeEmptyStrings (true);

            juce::StringArray usable;

            for (auto& name : names)
                if (isUsableDevicePortName (name, filtered, microsoftOnly, aliasesAllowed))
                    usable.add (name);

            return usable;
        }
    }

    bool isUpgradePortNameExact (const juce::String& name)
    {
        return name.contains (upgradePortText);
    }

    bool isUpgradePortName (const juce::String& name)
    {
        const bool generic = toolProbeMode && ! autoAdvance;
        const bool exact = isUpgradePortNameExact (name);

        if (generic)
            return exact || isGenericUnitPortName (name.toLowerCase().trim());

        return exact;
    }

    bool isAliasPortName (const juce::String& name, bool caseSensitive)
    {
        if (isWindowsAliasName (name, caseSensitive))
            return true;

        // Under ALSA a device's ports are "<device> MIDI 1", "<device> MIDI 2", ...:
        // the first stands for the device, the others are what Windows numbers.
        return NsDravel::portNumberOfName (name) >= 2;
    }

    bool isUsableDevicePortName (const juce::String& name, bool filtered,
                                 bool microsoftOnly, bool aliasesAllowed)
    {
        if (! filtered)
            return isUpgradePortName (name);

        if (microsoftOnly)
            return ! NsDravel::isSystemPortName (name);

        if (NsDravel::isSystemPortName (name) || isUpgradePortNameExact (name))
            return false;

        if (isAliasPortName (name, false))
            return aliasesAllowed;

        // A device name: a word and at least three more characters after a blank.
        if (name.matchesWildcard ("* *???", false))
            return true;

        if (name.matchesWildcard ("halvik *", true))
            return ! aliasesAllowed;

        return false;
    }

    juce::StringArray listMidiDevices (bool outputs, bool filtered, bool microsoftOnly)
    {
        return listUsable (outputs, filtered, microsoftOnly, toolFamilyActive);
    }

    juce::StringArray listMidiDevicesNoAliases (bool outputs, bool strict)
    {
        return listUsable (outputs, true, ! strict, false);
    }

    juce::StringArray listMidiDevicesForDisplay (bool outputs, bool filtered, bool microsoftOnly)
    {
        auto names = listMidiDevices (outputs, filtered, microsoftOnly);

        for (auto& name : names)
            if (isUpgradePortNameExact (name))
                name = upgradePortDisplayName;

        return names;
    }

    juce::String choosePortForProduct (juce::StringArray names, int productId, bool allowGenericPort)
    {
        juce::String chosen;
        int best = -1;

        for (auto& name : names)
        {
            if (getProductIdFromPortName (name) != productId)
                continue;

            const auto number = NsDravel::portNumberOfName (name);

            if (number > best)
            {
                best = number;
                chosen = name;
            }
        }

        if (best == -1 && allowGenericPort)
            for (auto& name : names)
                if (isGenericUnitPortName (name))
                    chosen = name;

        return chosen;
    }

    int getHighestPortNumber (int productId)
    {
        bool found = false;
        int highest = 0;

        for (auto& name : NsDravel::listMidiOutputNames())
        {
            if (getProductIdFromPortName (name) != productId)
                continue;

            const auto number = NsDravel::portNumberOfName (name);
            highest = found ? juce::jmax (highest, number) : number;
            found = true;
        }

        return highest;
    }

    int countProductMidiOutputs (int productId)
    {
        // Every listed output counts, not every distinct name: two units of one
        // model have the same port names on Linux, and must still be seen as two.
        int count = 0;

        for (auto& device : NsDravel::listMidiOutputs())
        {
            const auto& name = device.name;

            if (name.trim().isNotEmpty() && ! NsDravel::isSystemPortName (name)
                && getProductIdFromPortName (name) == productId && ! isAliasPortName (name, true))
                ++count;
        }

        return count;
    }

    bool isProductPortPresent (int productId, bool present)
    {
        for (auto& name : NsDravel::listMidiOutputNames())
            if (getProductIdFromPortName (name) == productId)
                return present;

        return ! present;
    }

    int countTargetOutputs (int productId, int upgradePortWeight)
    {
        int count = 0;

        for (auto& name : NsDravel::listMidiOutputNames())
        {
            if (getProductIdFromPortName (name) == productId)
                ++count;

            if (name.containsIgnoreCase (upgradePortText))
                count += upgradePortWeight;
        }

        return count;
    }

    int countMidiPortsContaining (const juce::String& text, bool outputs)
    {
        int count = 0;

        for (auto& name : namesOf (outputs))
            if (name.containsIgnoreCase (text))
                ++count;

        return count;
    }

    juce::String reportTargetNotFound (int productId)
    {
        return "The target device of \"" + getProductModelName (getProductIdOrDefault (productId)) + "\" is not found!";
    }

    juce::String resolveUpgradePortName (const juce::String& name)
    {
        if (! isUpgradePortNameExact (name))
            return name;

        // Both lists from one reading of the outputs, so the places match.
        const NsDravel::PortListScope portLists;
        const auto index = listMidiDevicesForDisplay (true, true, true).indexOf (name, false);
        return listMidiDevices (true, true, true)[index];
    }
}

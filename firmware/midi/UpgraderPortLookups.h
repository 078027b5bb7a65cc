#pragma once

#include <juce_core/juce_core.h>

/** How the upgrader finds its unit among the system's MIDI ports, by name
    alone: which names are offered, which one is the unit's port in firmware
    upgrade mode, which of several ports of one product is taken, and how many
    ports of a product are present.

    Both naming schemes of editor/device/PortNames.h are understood. A device's
    numbered further ports ("MIDIOUT2 (Dravel 49)" on Windows, "Dravel 49 MIDI 2"
    under ALSA) are its aliases; its first port ("Dravel 49", "Dravel 49 MIDI 1")
    is not.

    The functions that list ports read them afresh through the program's MIDI
    seam on every call. They read the upgrader's toolProbeMode, autoAdvance and
    toolFamilyActive flags. Message thread. */
namespace halvik
{
    /** The text in the name of a unit's port while it sits in firmware upgrade mode. */
    extern const char* const upgradePortText;

    /** The name under which upgrade-mode ports are offered to the user. */
    extern const char* const upgradePortDisplayName;

    /** The name contains "Halvik firmware upgrade" (case-sensitive). */
    bool isUpgradePortNameExact (const juce::String& name);

    /** The name is a unit's upgrade-mode port; while the tool is probed without
        auto-advance, any generic "HALVIK*Midi*" port counts too. */
    bool isUpgradePortName (const juce::String& name);

    /** The name is a further numbered port of a device: "MIDIOUT? (*" or
        "MIDIIN? (*" (case ignored unless caseSensitive), or an ALSA name
        "... MIDI <n>" with n of 2 or more. */
    bool isAliasPortName (const juce::String& name, bool caseSensitive);

    /** Whether a port name is offered:
        - not filtered: only upgrade-mode ports;
        - microsoftOnly: every name but the system's own ports
          (NsDravel::isSystemPortName: "Microsoft", "Midi Through");
        - otherwise no system port and no upgrade-mode name; aliases only when
          aliasesAllowed; a name with at least three characters somewhere after
          a blank; a bare "halvik ..." name only when aliases are not allowed. */
    bool isUsableDevicePortName (const juce::String& name, bool filtered,
                                 bool microsoftOnly, bool aliasesAllowed);

    /** The usable output (or input) names, each once, in the system's order;
        aliases are usable for the tool family. */
    juce::StringArray listMidiDevices (bool outputs, bool filtered, bool microsoftOnly);

    /** Strict: the names that pass the full device-name filter, aliases left
        out. Not strict: every name but the system's own ports. */
    juce::StringArray listMidiDevicesNoAliases (bool outputs, bool strict);

    /** The listMidiDevices names as the user sees them: every upgrade-mode port
        reads "Halvik firmware upgrade manager". */
    juce::StringArray listMidiDevicesForDisplay (bool outputs, bool filtered, bool microsoftOnly);

    /** The name among names of the product's highest-numbered port (the first
        of equal numbers), or, when the product has none and allowGenericPort,
        the last generic "HALVIK*Midi*" name; empty when nothing fits. */
    juce::String choosePortForProduct (juce::StringArray names, int productId, bool allowGenericPort);

    /** The highest port number among the product's MIDI outputs, 0 when it has none. */
    int getHighestPortNumber (int productId);

    /** The product's MIDI outputs that are not aliases (the system's own
        ports left out): one per connected unit. */
    int countProductMidiOutputs (int productId);

    /** Whether the product's presence among the MIDI outputs equals present. */
    bool isProductPortPresent (int productId, bool present);

    /** The product's MIDI outputs plus upgradePortWeight for every output in
        upgrade mode (its text found with case ignored). */
    int countTargetOutputs (int productId, int upgradePortWeight);

    /** The MIDI outputs (or inputs) whose name contains text, case ignored. */
    int countMidiPortsContaining (const juce::String& text, bool outputs);

    /** "The target device of "<model name>" is not found!" */
    juce::String reportTargetNotFound (int productId);

    /** The real output name behind a name of the display list: an upgrade-mode
        display name gives the output at the same place in listMidiDevices
        (empty when it is not listed); any other name is returned unchanged. */
    juce::String resolveUpgradePortName (const juce::String& name);
}

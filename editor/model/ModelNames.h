#pragma once

#include <juce_core/juce_core.h>

/** The mapping model's name tables: DAW control modes, control kinds, message
    types and their MIDI status nibbles, the control numbers the editor knows,
    and the names shown for a control's data value (notes, controllers, Mackie
    Control buttons). The tables are built on first use and never change.
*/
namespace NsDravel
{
    //==============================================================================
    /** Number of DAW control modes (indexes 0..10). */
    constexpr int dawModeCount = 11;

    /** The HUI mode ("Pro Tools"): factory defaults leave the image alone and the
        knobs offer no values. */
    constexpr int huiDawMode = 5;

    /** The "User Defined" mode: the only one in which knob message type and direction
        reach the settings image. */
    constexpr int userDefinedDawMode = 6;

    /** True for the modes 7..10, in which the knobs' channel and value stay as they are in the image. */
    bool isKnobLockedDawMode (int mode);

    /** Display name of a DAW mode, such as "Nuendo (MCP)"; empty outside 0..10. */
    const juce::String& getDawModeDisplayNames (int index);

    /** Short name of a DAW mode, such as "Nuendo"; empty outside 0..10. */
    const juce::String& getDawModeNames (int index);

    /** The DAW mode of a short name: trimmed, compared case-sensitively, mode 1 tried
        first; a text that names no mode gives 1. */
    int parseDawMode (const juce::String& name);

    /** The DAW mode shown at an item index of the DAW-mode combo box, or -1 for an
        index outside the list (no selection). */
    int getModeIndexOfComboIndex (int itemIndex);

    //==============================================================================
    /** Control kinds. */
    enum ControlKind
    {
        pianoKind = 0,
        pedalAndWheelKind = 1,
        buttonKind = 2,
        jogWheelKind = 3,
        faderKind = 4
    };

    /** Kind name: "piano", "pedal-and-wheel", "button", "jog-wheel", "fader"; empty outside 0..4. */
    const juce::String& getControlKindNames (int index);

    /** The kind of a kind name; a text that names no kind gives 2 ("button"). */
    int parseControlKind (const juce::String& name);

    /** True for the keyboard's controls 1..7 and the buttons 19, 20. */
    bool isKnownControlNumber (int control);

    /** Kind of a control number: 0 keys, 1 pedals and wheels, 3 knobs, 2 buttons 19, 20,
        4 fader 21; -1 for any other number. */
    int controlKindOf (int control);

    /** Button index of a known control number (number - 1), else -1. */
    int buttonIndexOf (int control);

    //==============================================================================
    /** Message type name by type index: "note", "cc", "program", "pitch"; empty otherwise. */
    const juce::String& getMessageTypeNames (int index);

    /** The type index of a type name; a text that names no type gives 0 ("note"). */
    int parseMessageType (const juce::String& name);

    /** MIDI status nibble of a type index (9, 0xB, 0xC, 0xE); 9 outside 0..3. */
    int statusNibbleOfTypeIndex (int typeIndex);

    /** Type index of a status nibble; 9 (a type with an empty name) for any other status. */
    int statusToTypeIndex (int status);

    /** Type index of a status nibble; -1 for any other status. */
    int typeIndexOfStatus (int status);

    /** Type name of a status nibble; empty for any other status. */
    juce::String typeNameOfStatus (int status);

    //==============================================================================
    /** The value behind a list index for a kind: the index itself for buttons,
        knobs and faders, else 0. */
    int getValueForIndex (int mode, int kind, int index);

    /** How many values a kind offers: 128; in mode 5, 50 for buttons and none for other kinds. */
    int valueCountForKind (int mode, int kind);

    /** The first list index whose value is the given one; -1 when there is none. */
    int indexOfValue (int mode, int kind, int value);

    /** The name of a data value 0..127 under a message type: a note name such as " C(4)",
        a controller name, or empty for program change and pitch bend. */
    juce::String getValueNameOfType (int typeIndex, int value);

    /** The name of a value as a list shows it for a control kind: empty in mode 5, and
        for kinds other than buttons, knobs and faders; empty for an unknown status. */
    juce::String getValueName (int mode, int kind, int value, int status);

    /** The Mackie Control button name of a note number; empty outside 0..127. */
    juce::String getMcpButtonName (int value);

    /** The Mackie Control function of a value for a control kind; empty in mode 5 and
        for kinds other than buttons, knobs and faders. */
    juce::String getMcpFunctionText (int mode, int kind, int value);
}

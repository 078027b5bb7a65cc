#include "editor/model/ModelNames.h"

namespace NsDravel
{
    namespace
    {
        constexpr int valueTableSize = 128;
        constexpr int statusNibbles[] { 0x9, 0xB, 0xC, 0xE };   // note-on, controller, program change, pitch bend

        const juce::String& entryOrEmpty (const juce::StringArray& table, int index)
        {
            static const juce::String empty;
            return juce::isPositiveAndBelow (index, table.size()) ? table.getReference (index) : empty;
        }

        void addNumbered (juce::StringArray& table, const char* prefix, int first, int last)
        {
            for (int n = first; n <= last; ++n)
                table.add (prefix + juce::String (n));
        }

        const juce::StringArray& noteNames()
        {
            static const juce::StringArray names = []
            {
                const char* pitches[] { " C", "C#", " D", "D#", " E", " F", "F#", " G", "G#", " A", "A#", " B" };
                juce::StringArray table;

                for (int v = 0; v < valueTableSize; ++v)
                    table.add (juce::String (pitches[v % 12]) + "(" + juce::String (v / 12 - 1) + ")");

                return table;
            }();
            return names;
        }

        const juce::StringArray& controllerNames()
        {
            static const juce::StringArray names = []
            {
                juce::StringArray table;

                for (int v = 0; v < valueTableSize; ++v)
                    table.add ("--");

                auto set = [&table] (int number, const char* name) { table.set (number, name); };
                auto setNumbered = [&table] (int firstNumber, const char* prefix, int firstSuffix, int count)
                {
                    for (int i = 0; i < count; ++i)
                        table.set (firstNumber + i, prefix + juce::String (firstSuffix + i));
                };

                set (0, "Bank MSB*(GS)");
                set (1, "Modulation(GM)");
                set (2, "Breath");
                set (4, "Foot Pedal");
                set (5, "Portamento Time(GM)");
                set (6, "Data Entry MSB(GM)");
                set (7, "Volume*(GM)");
                set (8, "Balance(GM)");
                set (10, "Pan(GM)");
                set (11, "Expression*(GM)");
                setNumbered (16, "Gp Control #", 1, 8);
                set (38, "Data Entry LSB");
                set (64, "Hold Pedal #1*(GM)");
                set (65, "Portamento(Gs)");
                set (66, "Sostenuto(Gs)");
                set (67, "Soft Pedal(Gs)");
                set (68, "Legato Pedal");
                set (69, "Hold Pedal #2");
                set (70, "Sound Variation");
                set (71, "Sound Timbre");
                set (72, "Sound Release Time");
                set (73, "Sound Attack Time");
                set (74, "Sound Brightness");
                setNumbered (75, "Sound Control #", 6, 5);
                setNumbered (80, "GP Control #", 5, 4);
                set (84, "Portamento Control(GS)");
                set (91, "Reverb Level(GS)");
                set (92, "Tremolo Depth");
                set (93, "Chorus Level(GS)");
                set (94, "Celeste Depth");
                set (95, "Phaser Depth");
                set (96, "Data Increment");
                set (97, "Data Decrement");
                set (98, "Non-RPN*Param LSB(GS)");
                set (99, "Non-RPN*Param MSB(GS)");
                set (100, "RPN*Parameter LSB(GM)");
                set (101, "RPN*Parameter MSB(GM)");
                set (120, "All Sound Off*(GS)");
                set (121, "Reset All Contorllers(GM)");
                set (122, "Local On/Off");
                set (123, "All Notes Off*(GM)");
                set (124, "Omni Mode Off");
                set (125, "Omni Mode On");
                set (126, "Mono Mode On");
                set (127, "Poly Mode On");
                return table;
            }();
            return names;
        }

        // Program changes and pitch bends have no names of their own.
        const juce::StringArray& unnamedValues()
        {
            static const juce::StringArray names = []
            {
                juce::StringArray table;

                for (int v = 0; v < valueTableSize; ++v)
                    table.add ({});

                return table;
            }();
            return names;
        }

        const juce::StringArray& mcpButtonNames()
        {
            static const juce::StringArray names = []
            {
                juce::StringArray table;
                addNumbered (table, "REC.", 1, 8);
                addNumbered (table, "SOLO.", 1, 8);
                addNumbered (table, "MUTE.", 1, 8);
                addNumbered (table, "SEL.", 1, 8);
                addNumbered (table, "Mon", 1, 8);
                table.addArray ({ "Page<<", "Page>>", "Pan", "Ins", "EQ", "FX-Send", "<<8", "8>>",
                                  "1<", ">1", "Flip", "Edit", "Name/Value", "SMPTE/Beats" });
                addNumbered (table, "F", 1, 8);

                for (int i = 62; i < 70; ++i)
                    table.add ({});

                table.addArray ({ "Undo", "Redo", "Save", "", "Read", "Write", "", "",
                                  "Mixer", "Motor", "VSTi", "Master", "", "Shift", "Trnspt<", "Trnspt>",
                                  "Loop", "Punch", "Prev", "Add", "Next", "Rewind", "FastFwd", "Stop",
                                  "Play", "Record", "Up", "Down", "Left", "Right", "Zoom", "Scrub",
                                  "Usr B", "Usr A" });
                addNumbered (table, "Touch.", 1, 8);
                table.addArray ({ "Touch.M", "SMPTE LED", "Beats LED" });

                while (table.size() < valueTableSize)
                    table.add ({});

                jassert (table.size() == valueTableSize);
                return table;
            }();
            return names;
        }

        // The value-name table of each message type, by type index.
        const juce::StringArray& valueNamesOfType (int typeIndex)
        {
            switch (typeIndex)
            {
                case 0:  return noteNames();
                case 1:  return controllerNames();
                default: return unnamedValues();
            }
        }

        bool offersValueList (int kind)
        {
            return kind == buttonKind || kind == jogWheelKind || kind == faderKind;
        }
    }

    //==============================================================================
    bool isKnobLockedDawMode (int mode)
    {
        return mode >= 7 && mode <= 10;
    }

    const juce::String& getDawModeDisplayNames (int index)
    {
        static const juce::StringArray names { "Nuendo (MCP)", "Cubase (MCP)", "Logic Pro (MCP)", "Samplitude (MCP)",
                                               "Ableton Live (MCP)", "Pro Tools (HUI)", "User Defined (MCP)",
                                               "Reaper (MCP)", "Studio One (MCP)", "Reason (MCP)", "Bitwig (MCP)" };
        return entryOrEmpty (names, index);
    }

    const juce::String& getDawModeNames (int index)
    {
        static const juce::StringArray names { "Nuendo", "Cubase", "Logic", "Samplitude", "Ableton Live", "Pro Tools",
                                               "User Defined", "Reaper", "Studio One", "Reason", "Bitwig" };
        return entryOrEmpty (names, index);
    }

    int parseDawMode (const juce::String& name)
    {
        const auto text = name.trim();

        // Cubase first: it is also the answer when nothing matches.
        if (text == getDawModeNames (1))
            return 1;

        for (int mode = 0; mode < dawModeCount; ++mode)
            if (mode != 1 && text == getDawModeNames (mode))
                return mode;

        return 1;
    }

    int getModeIndexOfComboIndex (int itemIndex)
    {
        static constexpr int modeOfItem[] { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 };
        return juce::isPositiveAndBelow (itemIndex, (int) std::size (modeOfItem)) ? modeOfItem[itemIndex] : -1;
    }

    //==============================================================================
    const juce::String& getControlKindNames (int index)
    {
        static const juce::StringArray names { "piano", "pedal-and-wheel", "button", "jog-wheel", "fader" };
        return entryOrEmpty (names, index);
    }

    int parseControlKind (const juce::String& name)
    {
        for (int kind = 0; kind < 5; ++kind)
            if (name == getControlKindNames (kind))
                return kind;

        return buttonKind;
    }

    bool isKnownControlNumber (int control)
    {
        return (control >= 1 && control <= 7) || control == 19 || control == 20;
    }

    int controlKindOf (int control)
    {
        if (control == 1)                    return pianoKind;
        if (control >= 2 && control <= 5)   return pedalAndWheelKind;
        if (control == 6 || control == 7)   return jogWheelKind;
        if (control == 19 || control == 20) return buttonKind;
        if (control == 21)                   return faderKind;
        return -1;
    }

    int buttonIndexOf (int control)
    {
        return isKnownControlNumber (control) ? control - 1 : -1;
    }

    //==============================================================================
    const juce::String& getMessageTypeNames (int index)
    {
        static const juce::StringArray names { "note", "cc", "program", "pitch" };
        return entryOrEmpty (names, index);
    }

    int parseMessageType (const juce::String& name)
    {
        for (int type = 0; type < 4; ++type)
            if (name == getMessageTypeNames (type))
                return type;

        return 0;
    }

    int statusNibbleOfTypeIndex (int typeIndex)
    {
        return juce::isPositiveAndBelow (typeIndex, 4) ? statusNibbles[typeIndex] : statusNibbles[0];
    }

    int typeIndexOfStatus (int status)
    {
        for (int type = 0; type < 4; ++type)
            if (statusNibbles[type] == status)
                return type;

        return -1;
    }

    int statusToTypeIndex (int status)
    {
        auto type = typeIndexOfStatus (status);
        return type >= 0 ? type : 9;
    }

    juce::String typeNameOfStatus (int status)
    {
        return getMessageTypeNames (typeIndexOfStatus (status));
    }

    //==============================================================================
    int getValueForIndex (int, int kind, int index)
    {
        return offersValueList (kind) ? index : 0;
    }

    int valueCountForKind (int mode, int kind)
    {
        if (mode == huiDawMode)
            return kind == buttonKind ? 50 : 0;

        return valueTableSize;
    }

    int indexOfValue (int mode, int kind, int value)
    {
        const auto count = valueCountForKind (mode, kind);

        for (int i = 0; i < count; ++i)
            if (getValueForIndex (mode, kind, i) == value)
                return i;

        return -1;
    }

    juce::String getValueNameOfType (int typeIndex, int value)
    {
        if (! juce::isPositiveAndBelow (typeIndex, 4))
            return {};

        return entryOrEmpty (valueNamesOfType (typeIndex), value);
    }

    juce::String getValueName (int mode, int kind, int value, int status)
    {
        if (mode == huiDawMode || ! offersValueList (kind))
            return {};

        return getValueNameOfType (typeIndexOfStatus (status), value);
    }

    juce::String getMcpButtonName (int value)
    {
        return entryOrEmpty (mcpButtonNames(), value);
    }

    juce::String getMcpFunctionText (int mode, int kind, int value)
    {
        if (mode == huiDawMode || ! offersValueList (kind))
            return {};

        return getMcpButtonName (value);
    }
}

#include "support/EditorFixture.h"

using namespace sim;

// The DAW control mode chooser of the editor window: each mode has a map of
// the controls of its own, which the control panel shows and edits, and the
// keyboard is told the mode with the next settings it is sent.

using DawMode = EditorFixture;

TEST_F (DawMode, EachPickedModeReachesTheKeyboardInTheModeSelectOfTheNextSettings)
{
    SimulatedKeyboard keyboard (ports);
    tick();
    EXPECT_EQ (editor->ctModeCombo.getText(), "1) Nuendo (MCP)");

    // The mode select's byte after 00 is the mode's number, counted from 1.
    const struct { const char* item; const char* mapName; const char* modeSelect; } modes[]
    {
        { "2) Cubase (MCP)",     "Cubase (MCP)",     "F0 1D 03 20 22 00 02 7F F7" },
        { "3) Logic Pro (MCP)",  "Logic Pro (MCP)",  "F0 1D 03 20 22 00 03 7F F7" },
        { "4) Samplitude (MCP)", "Samplitude (MCP)", "F0 1D 03 20 22 00 04 7F F7" },
        { "1) Nuendo (MCP)",     "Nuendo (MCP)",     "F0 1D 03 20 22 00 01 7F F7" },
    };

    for (auto& mode : modes)
    {
        SCOPED_TRACE (mode.item);
        keyboard.clearRecords();
        ports.clearTimeline();
        NsDravel::pendingSettingsWrite = false;

        pick (editor->ctModeCombo, mode.item);
        EXPECT_EQ (NsDravel::Host::getInstance()->getCurrentMap()["name"].toString(), mode.mapName);
        EXPECT_TRUE (NsDravel::pendingSettingsWrite);
        EXPECT_TRUE (keyboard.received().empty()) << "sent by the next tick, not now";

        tick();

        // Only the mode select ends in 7F F7.
        juce::StringArray modeSelects;

        for (auto& message : ports.messagesTo())
            if (message.endsWith ("7F F7"))
                modeSelects.add (message);

        EXPECT_EQ (modeSelects, juce::StringArray (mode.modeSelect));
        EXPECT_EQ (keyboard.appliedImages(), std::vector<std::vector<juce::uint8>> { imageBytes() });
    }
}

TEST_F (DawMode, TheControlPanelShowsAndEditsThePickedModesOwnMap)
{
    // Nuendo's expression pedal is made to send notes; the other maps keep it a controller.
    click (controlButton (3));
    pick (editor->msgTypeCombo, "1) Note");

    pick (editor->ctModeCombo, "2) Cubase (MCP)");
    EXPECT_EQ (editor->getSelectedButton(), &controlButton (3));
    EXPECT_EQ (editor->msgTypeCombo.getText(), "2) CC");
    EXPECT_EQ (editor->messageCombo.getItemText (11), "11) Expression*(GM)");

    // A choice now goes into Cubase's map alone.
    pick (editor->channelCombo, "5");
    EXPECT_EQ ((int) controlNode (3)["chan"], 5);

    pick (editor->ctModeCombo, "1) Nuendo (MCP)");
    EXPECT_EQ (editor->msgTypeCombo.getText(), "1) Note");
    EXPECT_EQ (editor->messageCombo.getItemText (60), "60)  C(4)");
    EXPECT_EQ ((int) controlNode (3)["chan"], 1);
}

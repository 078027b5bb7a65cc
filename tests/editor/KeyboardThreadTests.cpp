#include "support/KeyboardLinkFixture.h"

#include "editor/EditorState.h"
#include "editor/Host.h"
#include "editor/MidiInputHandler.h"
#include "editor/PortNames.h"

using namespace sim;

// The keyboard talks on its own thread while the message thread reopens and
// tears down the connection and the editor; run these under ThreadSanitizer
// too (TAVLO_TSAN).
using KeyboardThreads = KeyboardLinkFixture;

namespace
{
    void chatter (SimulatedKeyboard& keyboard, int count)
    {
        for (int i = 0; i < count; ++i)
            keyboard.sendFromKeyboard (juce::MidiMessage::controllerEvent (1, 1, i & 0x7F));
    }
}

TEST_F (KeyboardThreads, ReconnectingWhileTheKeyboardTalksLosesNoPortAndCrashesNothing)
{
    SimulatedKeyboard keyboard (ports);
    tick();

    for (int round = 0; round < 50; ++round)
    {
        chatter (keyboard, 20);
        NsDravel::knownOutputNames.clear();     // a port-list change: reconnect and ask again
        tick();
    }

    keyboard.waitUntilRepliesSent();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);

    EXPECT_EQ (ports.openInputsNow (keyboard.secondInputName()), 1);
    EXPECT_EQ (versionLabel(), "V1.06");
}

TEST_F (KeyboardThreads, TheEditorAndTheConnectionCanGoWhileRepliesAreOnTheirWay)
{
    SimulatedKeyboard keyboard (ports);
    tick();

    for (int round = 0; round < 20; ++round)
    {
        NsDravel::knownOutputNames.clear();
        tick();
    }

    chatter (keyboard, 200);
    editor.reset();
    NsDravel::Host::getInstance()->connection.reset();

    keyboard.waitUntilRepliesSent();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
    EXPECT_EQ (ports.openInputsNow (keyboard.secondInputName()), 0);
}

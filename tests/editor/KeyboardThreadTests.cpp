#include "support/KeyboardLinkFixture.h"

#include "editor/EditorState.h"
#include "editor/Host.h"
#include "editor/MidiInputHandler.h"

using namespace sim;

// The keyboard talks on its own thread while the message thread reopens and
// tears down the connection and the editor; run this under ThreadSanitizer
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

TEST_F (KeyboardThreads, ReconnectingAndTearingDownWhileTheKeyboardTalksLosesNoPortAndCrashesNothing)
{
    SimulatedKeyboard keyboard (ports);
    tick();

    for (int round = 0; round < 50; ++round)
    {
        chatter (keyboard, 20);
        NsDravel::knownOutputNames.clear();     // a port-list change: reconnect and ask again
        tick();
    }

    deliverReplies (keyboard);
    EXPECT_EQ (ports.openInputsNow (keyboard.secondInputName()), 1);
    EXPECT_EQ (versionLabel(), "V1.06");

    // The editor and the connection go while a version reply and chatter are
    // on their way.
    NsDravel::knownOutputNames.clear();
    tick();
    chatter (keyboard, 200);
    editor.reset();
    NsDravel::Host::getInstance()->connection.reset();

    deliverReplies (keyboard);
    EXPECT_EQ (ports.openInputsNow (keyboard.secondInputName()), 0);
}

#include "support/EditorFixture.h"
#include "support/MessageLoop.h"

#include "editor/messages/RawMidiText.h"

using namespace sim;

namespace
{
    constexpr int shift = juce::ModifierKeys::shiftModifier;
    constexpr int ctrl  = juce::ModifierKeys::ctrlModifier;
    constexpr int alt   = juce::ModifierKeys::altModifier;
    constexpr int mouse = juce::ModifierKeys::leftButtonModifier;

    /** A key with Ctrl+Shift+Alt held; X11 gives letters in lower case then. */
    juce::KeyPress chord (int keyCode, int extraFlags = 0)
    {
        return { keyCode, juce::ModifierKeys (ctrl | shift | alt | extraFlags), 0 };
    }

    juce::KeyPress plain (int keyCode, int flags = 0)       { return { keyCode, juce::ModifierKeys (flags), 0 }; }

    class RawMidiSender  : public EditorFixture
    {
    protected:
        /** Presses a key and, if the sender's dialog comes up, lets answer end
            it as the user would. True when the dialog came up. */
        bool press (juce::KeyPress key, std::function<void (juce::AlertWindow&)> answer)
        {
            bool dialogShown = false;

            juce::MessageManager::callAsync ([&]
            {
                auto* dialog = dynamic_cast<juce::AlertWindow*> (juce::Component::getCurrentlyModalComponent());

                // Message boxes are alert windows too.
                if (dialog != nullptr && dialog->getName() == "Input MIDI you wanted to send")
                {
                    dialogShown = true;
                    answer (*dialog);
                }
            });

            EXPECT_FALSE (editor->keyPressed (key));
            settle();
            return dialogShown;
        }

        /** Ctrl+Shift+Alt+M, then types the text and chooses "Send". */
        bool send (const juce::String& text)
        {
            return press (chord ('m'), [text] (juce::AlertWindow& dialog)
            {
                dialog.getTextEditor ("MIDI")->setText (text);
                testsupport::findButton (dialog, "Send")->triggerClick();
            });
        }

        SimulatedKeyboard keyboard { ports };
        AlertRecorder alerts;
    };

    const auto cancel = [] (juce::AlertWindow& dialog) { dialog.exitModalState (0); };
}

//==============================================================================
TEST_F (RawMidiSender, SendsTheOfferedBytesAsOneMessageToTheKeyboard)
{
    // No tick yet: the sender finds the keyboard itself.
    juce::String offered;

    EXPECT_TRUE (press (chord ('m'), [&] (juce::AlertWindow& dialog)
    {
        offered = dialog.getTextEditorContents ("MIDI");
        testsupport::findButton (dialog, "Send")->triggerClick();
    }));

    EXPECT_EQ (offered, "EF7F7F F01D03 202300 0100F7");
    EXPECT_EQ (ports.messagesTo ("MIDIOUT2 (Dravel 49)"), juce::StringArray ("EF 7F 7F F0 1D 03 20 23 00 01 00 F7"));
    EXPECT_TRUE (alerts.messages.isEmpty());
}

TEST_F (RawMidiSender, OpensOnCtrlShiftAltMAloneAndEscapeCancelTextThatIsNotWholeBytesOrAPortThatWillNotOpenSendNothing)
{
    tick();
    keyboard.clearRecords();

    for (auto key : { plain ('m', ctrl | shift), plain ('m', ctrl | alt), plain ('M', shift),
                      chord ('m', mouse), chord ('n') })
        EXPECT_FALSE (press (key, cancel)) << key.getTextDescription();

    EXPECT_TRUE (press (chord ('M'), [] (juce::AlertWindow& dialog)     // whatever the letter's case
    {
        static_cast<juce::Component&> (dialog).keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
    }));
    EXPECT_TRUE (press (chord ('m'), [] (juce::AlertWindow& dialog)
    {
        testsupport::findButton (dialog, "Cancel")->triggerClick();
    }));
    EXPECT_TRUE (alerts.messages.isEmpty());

    EXPECT_TRUE (send ("EF7F7F F01D03 202300 0100F70"));
    EXPECT_TRUE (send ("90 3C 4G"));
    EXPECT_TRUE (send ("  \n"));

    // A port that will not open is reported instead of the dialog; a missing one opens nothing.
    keyboard.setRefusingOpens (true);
    EXPECT_FALSE (press (chord ('m'), cancel));
    keyboard.unplug();
    EXPECT_FALSE (press (chord ('m'), cancel));

    EXPECT_TRUE (keyboard.received().empty());
    const juce::StringArray told { "Wrong length!", "Not a hexadecimal number!", "WARNING: Open MIDI output failed!" };
    EXPECT_EQ (alerts.messages, told);
}

//==============================================================================
using HiddenKeys = EditorFixture;

TEST_F (HiddenKeys, RResetsTheMappingWithAnyModifiersButTheHiddenChord)
{
    click (controlButton (3));
    const auto factoryChannel = editor->channelCombo.getText();
    ASSERT_NE (factoryChannel, "9");

    pick (editor->channelCombo, "9");
    EXPECT_FALSE (editor->keyPressed (chord ('r')));
    EXPECT_EQ ((int) controlNode (3)["chan"], 9);

    for (auto key : { plain ('r'), plain ('R', shift), plain ('R'), plain ('r', ctrl) })
    {
        pick (editor->channelCombo, "9");
        NsDravel::pendingSettingsWrite = false;

        EXPECT_FALSE (editor->keyPressed (key));
        EXPECT_EQ (editor->channelCombo.getText(), factoryChannel) << key.getTextDescription();
        EXPECT_EQ (controlNode (3)["chan"].toString(), factoryChannel) << key.getTextDescription();
        EXPECT_FALSE (NsDravel::pendingSettingsWrite) << "sent with the next change, not now";
    }

    // The editor's button resets the same way and asks for the write at once.
    pick (editor->channelCombo, "9");
    NsDravel::pendingSettingsWrite = false;
    click (editor->resetButton);
    EXPECT_EQ (controlNode (3)["chan"].toString(), factoryChannel);
    EXPECT_TRUE (NsDravel::pendingSettingsWrite);
}

TEST_F (HiddenKeys, TTogglesATestProductIdAndTwiceRestoresTheKeyboardsId)
{
    SimulatedKeyboard keyboard (ports);
    tick();
    ASSERT_EQ (NsDravel::detectedProductId.load(), 0x1022);

    for (auto key : { plain ('t'), plain ('T', shift), plain ('t', ctrl | shift), chord ('t', mouse) })
        EXPECT_FALSE (editor->keyPressed (key));

    EXPECT_EQ (NsDravel::detectedProductId.load(), 0x1022);
    EXPECT_TRUE (NsDravel::deviceConnected);

    EXPECT_FALSE (editor->keyPressed (chord ('t')));
    EXPECT_EQ (NsDravel::detectedProductId.load(), 0x1D);
    EXPECT_EQ (NsDravel::productId.load(), 0x1022);
    EXPECT_FALSE (NsDravel::deviceConnected) << "the timer reconnects at its next tick";

    EXPECT_FALSE (editor->keyPressed (chord ('T')));
    EXPECT_EQ (NsDravel::detectedProductId.load(), 0x1022);

    // An id outside the keyboards is not kept to come back to.
    NsDravel::detectedProductId = 0x2000;
    editor->keyPressed (chord ('t'));
    editor->keyPressed (chord ('t'));
    EXPECT_EQ (NsDravel::detectedProductId.load(), 0x1022);
}

TEST_F (HiddenKeys, F1OpensANewAboutWindowEachTimeWhichEscapeCloses)
{
    auto aboutWindows = [] { return testsupport::findWindowsTitled ("About This Tavlo"); };

    EXPECT_FALSE (editor->keyPressed (chord (juce::KeyPress::F1Key)));
    EXPECT_TRUE (aboutWindows().isEmpty());

    EXPECT_FALSE (editor->keyPressed (plain (juce::KeyPress::F1Key)));
    EXPECT_FALSE (editor->keyPressed (plain (juce::KeyPress::F1Key, shift)));
    ASSERT_EQ (aboutWindows().size(), 2);

    juce::Component::SafePointer<juce::Component> first (aboutWindows()[0]);
    first->keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
    EXPECT_TRUE (testsupport::dispatchUntil ([&] { return first == nullptr; }));
    ASSERT_EQ (aboutWindows().size(), 1);
    delete aboutWindows()[0];
}

//==============================================================================
TEST (RawMidiText, ALongTextGivesEveryByteInOrder)
{
    // 100,000 characters: every byte value in turn, in mixed case, grouped and
    // broken into lines as a person pasting a dump would.
    juce::String text;
    std::vector<juce::uint8> expected;

    for (int i = 0; text.length() < 100000; ++i)
    {
        const auto byte = (juce::uint8) (i * 7);
        expected.push_back (byte);
        auto pair = juce::String::toHexString ((int) byte).paddedLeft ('0', 2);
        text << (i % 2 == 0 ? pair.toUpperCase() : pair) << (i % 16 == 15 ? "\r\n" : (i % 4 == 3 ? " \t" : ""));
    }

    std::vector<juce::uint8> bytes { 0x55 };   // whatever was there before goes
    ASSERT_TRUE (NsDravel::parseRawMidiText (text, bytes).wasOk());
    EXPECT_EQ (bytes, expected);

    for (auto [refused, reason] : { std::pair (text + "g", "Wrong length!"),
                                    std::pair ("g" + text + "g", "Not a hexadecimal number!") })
    {
        EXPECT_EQ (NsDravel::parseRawMidiText (refused, bytes).getErrorMessage(), reason);
        EXPECT_TRUE (bytes.empty()) << "no bytes are left behind";
    }
}

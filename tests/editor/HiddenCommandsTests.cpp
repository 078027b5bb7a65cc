#include "support/EditorFixture.h"

#include "editor/MidiInputHandler.h"
#include "editor/RawMidiSender.h"

using namespace sim;

namespace
{
    constexpr int shift = juce::ModifierKeys::shiftModifier;
    constexpr int ctrl  = juce::ModifierKeys::ctrlModifier;
    constexpr int alt   = juce::ModifierKeys::altModifier;

    /** A key with Ctrl+Shift+Alt held; X11 gives letters in lower case then. */
    juce::KeyPress chord (int keyCode, int extraFlags = 0)
    {
        return juce::KeyPress (keyCode, juce::ModifierKeys (ctrl | shift | alt | extraFlags), 0);
    }

    juce::KeyPress plain (int keyCode, int flags = 0)
    {
        return juce::KeyPress (keyCode, juce::ModifierKeys (flags), 0);
    }

    juce::Button& buttonOf (juce::AlertWindow& dialog, const juce::String& text)
    {
        for (auto* child : dialog.getChildren())
            if (auto* button = dynamic_cast<juce::TextButton*> (child); button != nullptr && button->getButtonText() == text)
                return *button;

        throw std::runtime_error ("no such button");
    }

    std::vector<juce::uint8> bytesOf (const juce::MidiMessage& message)
    {
        return { message.getRawData(), message.getRawData() + message.getRawDataSize() };
    }

    juce::Array<juce::TopLevelWindow*> aboutWindows()
    {
        juce::Array<juce::TopLevelWindow*> found;

        for (int i = 0; i < juce::TopLevelWindow::getNumTopLevelWindows(); ++i)
            if (auto* window = juce::TopLevelWindow::getTopLevelWindow (i); window->getName() == "About This Tavlo")
                found.add (window);

        return found;
    }

    const std::vector<juce::uint8> wakeUpAndVersionRequest { 0xEF, 0x7F, 0x7F,                // wake-up
                                                             0xF0, 0x1D, 0x03, 0x20, 0x23,    // SysEx, product 0x1023
                                                             0x00, 0x01, 0x00, 0xF7 };        // version request

    //==============================================================================
    class RawMidiSender  : public EditorFixture
    {
    protected:
        /** Presses Ctrl+Shift+Alt+M and, once the sender's dialog is up, lets
            answer end it as the user would. True when the dialog came up. */
        bool useSender (std::function<void (juce::AlertWindow&)> answer)
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

            EXPECT_FALSE (editor->keyPressed (chord ('m')));
            settle();
            return dialogShown;
        }

        /** Types a text into the dialog, then chooses "Send". */
        bool send (const juce::String& text)
        {
            return useSender ([text] (juce::AlertWindow& dialog)
            {
                dialog.getTextEditor ("MIDI")->setText (text);
                buttonOf (dialog, "Send").triggerClick();
            });
        }

        void connectKeyboard()
        {
            tick();
            ASSERT_NE (NsDravel::Host::getInstance()->connection->getFirstOutput(), nullptr);
            keyboard.clearRecords();
        }

        SimulatedKeyboard keyboard { ports };
        AlertRecorder alerts;
    };
}

//==============================================================================
TEST_F (RawMidiSender, SendsTheOfferedBytesAsOneMessageToTheKeyboard)
{
    connectKeyboard();

    juce::String offered;
    juce::StringArray buttons;

    EXPECT_TRUE (useSender ([&] (juce::AlertWindow& dialog)
    {
        offered = dialog.getTextEditorContents ("MIDI");

        for (auto* child : dialog.getChildren())
            if (auto* button = dynamic_cast<juce::TextButton*> (child))
                buttons.add (button->getButtonText());

        buttonOf (dialog, "Send").triggerClick();
    }));

    EXPECT_EQ (offered, "EF7F7F F01D03 202300 0100F7");
    buttons.sort (false);
    EXPECT_EQ (buttons, juce::StringArray ({ "Cancel", "Send" }));

    const auto received = keyboard.received();
    ASSERT_EQ (received.size(), 1u);
    EXPECT_EQ (received[0].port, keyboard.secondOutputName());
    EXPECT_EQ (bytesOf (received[0].message), wakeUpAndVersionRequest);
    EXPECT_TRUE (alerts.messages.isEmpty());
}

TEST_F (RawMidiSender, FindsTheKeyboardItselfBeforeTheEditorHasConnected)
{
    EXPECT_TRUE (send ("90 3C 40"));

    const auto received = keyboard.received();
    ASSERT_EQ (received.size(), 1u);
    EXPECT_EQ (received[0].port, keyboard.secondOutputName());
    EXPECT_EQ (bytesOf (received[0].message), (std::vector<juce::uint8> { 0x90, 0x3C, 0x40 }));   // note on C4
}

TEST_F (RawMidiSender, AcceptsBlanksLineBreaksAndLowerCase)
{
    connectKeyboard();
    EXPECT_TRUE (send ("ef 7f 7f\r\nf0 1d 03\n20 23 00 01 00 f7"));

    const auto received = keyboard.received();
    ASSERT_EQ (received.size(), 1u);
    EXPECT_EQ (bytesOf (received[0].message), wakeUpAndVersionRequest);
}

TEST_F (RawMidiSender, EscapeAndCancelSendNothing)
{
    connectKeyboard();

    EXPECT_TRUE (useSender ([] (juce::AlertWindow& dialog)
    {
        static_cast<juce::Component&> (dialog).keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
    }));

    EXPECT_TRUE (useSender ([] (juce::AlertWindow& dialog)
    {
        buttonOf (dialog, "Cancel").triggerClick();
    }));

    EXPECT_TRUE (keyboard.received().empty());
    EXPECT_TRUE (alerts.messages.isEmpty());
}

TEST_F (RawMidiSender, RefusesTextThatIsNotWholeBytesWithAMessage)
{
    connectKeyboard();

    EXPECT_TRUE (send ("EF7F7F F01D03 202300 0100F70"));
    EXPECT_TRUE (send ("90 3C 4G"));

    EXPECT_TRUE (keyboard.received().empty());
    EXPECT_EQ (alerts.messages, juce::StringArray ({ "Wrong length!", "Not a hexadecimal number!" }));
}

TEST_F (RawMidiSender, EmptyTextSendsNothing)
{
    connectKeyboard();
    EXPECT_TRUE (send ("  \n"));

    EXPECT_TRUE (keyboard.received().empty());
    EXPECT_TRUE (alerts.messages.isEmpty());
}

TEST_F (RawMidiSender, WithoutAKeyboardNoDialogOpens)
{
    keyboard.unplug();

    EXPECT_FALSE (useSender ([] (juce::AlertWindow& dialog) { dialog.exitModalState (0); }));
    EXPECT_TRUE (alerts.messages.isEmpty());
}

TEST_F (RawMidiSender, APortThatWillNotOpenAgainIsReportedInsteadOfTheDialog)
{
    connectKeyboard();
    keyboard.setRefusingOpens (true);

    EXPECT_FALSE (useSender ([] (juce::AlertWindow& dialog) { dialog.exitModalState (0); }));
    EXPECT_EQ (alerts.messages, juce::StringArray ({ "WARNING: Open MIDI output failed!" }));
    EXPECT_TRUE (keyboard.received().empty());
}

TEST_F (RawMidiSender, OpensOnlyWithCtrlShiftAltExactly)
{
    connectKeyboard();

    for (auto key : { plain ('m', ctrl | shift), plain ('m', ctrl | alt), plain ('M', shift),
                      chord ('m', juce::ModifierKeys::leftButtonModifier), chord ('n') })
    {
        bool dialogShown = false;
        juce::MessageManager::callAsync ([&] { dialogShown = juce::Component::getCurrentlyModalComponent() != nullptr; });
        EXPECT_FALSE (editor->keyPressed (key));
        settle();
        EXPECT_FALSE (dialogShown) << key.getTextDescription();
    }

    // Caps Lock gives the upper-case code: the same key.
    EXPECT_TRUE (useSender ([] (juce::AlertWindow& dialog) { dialog.exitModalState (0); }));
}

//==============================================================================
using HiddenKeys = EditorFixture;

TEST_F (HiddenKeys, RResetsTheMappingWithAnyModifiersButTheHiddenChord)
{
    click (controlButton (3));
    const auto factoryChannel = editor->channelCombo.getText();
    ASSERT_NE (factoryChannel, "9");

    auto changeChannel = [this]
    {
        pick (editor->channelCombo, "9");
        NsDravel::pendingSettingsWrite = false;
        ASSERT_EQ ((int) controlNode (3)["chan"], 9);
    };

    changeChannel();
    EXPECT_FALSE (editor->keyPressed (chord ('r')));
    EXPECT_EQ ((int) controlNode (3)["chan"], 9) << "Ctrl+Shift+Alt+R does nothing";
    EXPECT_EQ (editor->channelCombo.getText(), "9");

    for (auto key : { plain ('r'), plain ('R', shift), plain ('R'), plain ('r', ctrl) })
    {
        changeChannel();
        EXPECT_FALSE (editor->keyPressed (key));
        EXPECT_EQ (editor->channelCombo.getText(), factoryChannel) << key.getTextDescription();
        EXPECT_EQ (controlNode (3)["chan"].toString(), factoryChannel) << key.getTextDescription();
        EXPECT_FALSE (NsDravel::pendingSettingsWrite) << "sent with the next change, not now";
    }
}

TEST_F (HiddenKeys, TTogglesATestProductIdAndTwiceRestoresTheKeyboardsId)
{
    SimulatedKeyboard keyboard (ports);
    tick();
    ASSERT_TRUE (NsDravel::deviceConnected);
    ASSERT_EQ (NsDravel::detectedProductId.load(), 0x1022);

    for (auto key : { plain ('t'), plain ('T', shift), plain ('t', ctrl | shift), chord ('t', juce::ModifierKeys::leftButtonModifier) })
    {
        EXPECT_FALSE (editor->keyPressed (key));
        EXPECT_EQ (NsDravel::detectedProductId.load(), 0x1022) << key.getTextDescription();
        EXPECT_TRUE (NsDravel::deviceConnected);
    }

    EXPECT_FALSE (editor->keyPressed (chord ('t')));
    EXPECT_TRUE (NsDravel::testModeEnabled);
    EXPECT_EQ (NsDravel::detectedProductId.load(), 0x1D);
    EXPECT_EQ (NsDravel::productId.load(), 0x1022);
    EXPECT_FALSE (NsDravel::deviceConnected) << "the timer reconnects at its next tick";

    NsDravel::deviceConnected = true;
    EXPECT_FALSE (editor->keyPressed (chord ('T')));
    EXPECT_FALSE (NsDravel::testModeEnabled);
    EXPECT_EQ (NsDravel::detectedProductId.load(), 0x1022);
    EXPECT_FALSE (NsDravel::deviceConnected);
}

TEST_F (HiddenKeys, TogglingOnKeepsTheProductIdWhenTheDetectedOneIsNoKeyboard)
{
    NsDravel::productId = 0x1021;
    NsDravel::detectedProductId = 0x2000;   // not a keyboard of the range

    editor->keyPressed (chord ('t'));
    EXPECT_EQ (NsDravel::productId.load(), 0x1021);
    EXPECT_EQ (NsDravel::detectedProductId.load(), 0x1D);

    editor->keyPressed (chord ('t'));
    EXPECT_EQ (NsDravel::detectedProductId.load(), 0x1021);
}

TEST_F (HiddenKeys, F1OpensANewAboutWindowEachTime)
{
    EXPECT_FALSE (editor->keyPressed (chord (juce::KeyPress::F1Key)));
    EXPECT_TRUE (aboutWindows().isEmpty());

    EXPECT_FALSE (editor->keyPressed (plain (juce::KeyPress::F1Key)));
    EXPECT_FALSE (editor->keyPressed (plain (juce::KeyPress::F1Key, shift)));
    const auto windows = aboutWindows();
    EXPECT_EQ (windows.size(), 2);

    for (auto* window : windows)
        delete window;
}

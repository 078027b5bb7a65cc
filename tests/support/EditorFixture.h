#pragma once

#include "support/SimulatedUnit.h"

#include "editor/EditorState.h"
#include "editor/device/DeviceTimer.h"
#include "editor/device/Host.h"
#include "editor/device/HostImpl.h"
#include "editor/device/MidiInputHandler.h"
#include "editor/model/DeviceSettingsImage.h"
#include "editor/model/MappingModel.h"
#include "editor/window/MainComp.h"
#include "firmware/UpgraderState.h"

#include <gtest/gtest.h>

namespace sim
{

/** While it lives, records the title and text of every message box the
    program shows (and still shows them); closes them when it goes. */
class AlertRecorder final : public juce::LookAndFeel_V4
{
public:
    AlertRecorder()     { juce::LookAndFeel::setDefaultLookAndFeel (this); }

    ~AlertRecorder() override
    {
        juce::ModalComponentManager::getInstance()->cancelAllModalComponents();
        juce::MessageManager::getInstance()->runDispatchLoopUntil (10);
        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
    }

    juce::AlertWindow* createAlertWindow (const juce::String& title, const juce::String& message,
                                          const juce::String& button1, const juce::String& button2,
                                          const juce::String& button3, juce::MessageBoxIconType iconType,
                                          int numButtons, juce::Component* associatedComponent) override
    {
        titles.add (title);
        messages.add (message);
        return LookAndFeel_V4::createAlertWindow (title, message, button1, button2, button3,
                                                  iconType, numButtons, associatedComponent);
    }

    juce::StringArray titles, messages;
};

/** A test of the editor's model and files: the process state as at start
    (and put back afterwards), with the mapping model the start builds. */
struct FreshEditorState : public ::testing::Test
{
    FreshEditorState()
    {
        NsDravel::resetProcessState();
        model = std::make_unique<NsDravel::MappingModel>();
    }

    ~FreshEditorState() override   { NsDravel::resetProcessState(); }

    std::unique_ptr<NsDravel::MappingModel> model;
};

/** The editor as a user meets it, on simulated MIDI ports whose pauses are
    only recorded: a fresh process state, the editor component, and a device
    timer whose ticks the test drives. */
class EditorFixture : public ::testing::Test
{
protected:
    EditorFixture()
    {
        NsDravel::resetProcessState();
        halvik::resetUpgraderState();

        // Each test case runs in its own process: once an application's shutdown
        // has deleted the host, no later case could make it again. The host is
        // still given back its start-up state, so that cases run together by hand
        // do not lean on one another.
        auto* host = NsDravel::Host::getInstance();
        host->connection.reset();
        host->impl->outputName = {};
        host->setProductId (0x1020);
        host->setCurrentMode (0);
        NsDravel::resetImageToFactory();

        editor = std::make_unique<NsDravel::MainComp> (0x1020);

        // The tests drive the ticks themselves; the editor's own timer would
        // interleave ticks of its own whenever the message loop runs.
        if (NsDravel::theTimer != nullptr)
            NsDravel::theTimer->stopTimer();
    }

    ~EditorFixture() override
    {
        editor.reset();
        NsDravel::Host::getInstance()->connection.reset();
        NsDravel::theHost = nullptr;
    }

    void tick()         { timer.tick(); }
    void ticks (int n)  { while (n-- > 0) tick(); }

    /** Lets the message thread take what the keyboard's thread handed it. */
    static void deliverReplies (SimulatedUnit& keyboard)
    {
        keyboard.waitUntilRepliesSent();
        juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
    }

    /** The window title the last tick drew, and the text of the "fw ver" label. */
    juce::String title() const          { return editor->getName(); }
    juce::String versionLabel() const   { return editor->fwVersionLabel->getText(); }

    /** Closes the editor's connection, as the firmware upgrader hand-over does. */
    static void closeConnection()
    {
        if (auto& connection = NsDravel::Host::getInstance()->connection)
            connection->closeDevices();
    }

    /** How many input and output pairs the editor's connection holds open. */
    static int pairCount()
    {
        auto& connection = NsDravel::Host::getInstance()->connection;
        return connection == nullptr ? 0 : connection->getPairCount();
    }

    /** Clicks a button as the mouse would, and lets the click arrive. */
    static void click (juce::Button& button)
    {
        button.triggerClick();
        settle();
    }

    /** Picks an item of a combo box by its text, as the user does. */
    static void pick (juce::ComboBox& combo, const juce::String& itemText)
    {
        for (int i = 0; i < combo.getNumItems(); ++i)
            if (combo.getItemText (i) == itemText)
                return combo.setSelectedItemIndex (i, juce::sendNotificationSync);

        ADD_FAILURE() << "no item " << itemText << " in the combo";
    }

    /** Lets messages already posted to the message thread arrive. */
    static void settle()    { juce::MessageManager::getInstance()->runDispatchLoopUntil (5); }

    /** A control's node in the host's current map. */
    static juce::ValueTree controlNode (int control)
    {
        return NsDravel::getControlById (NsDravel::Host::getInstance()->getCurrentMap(), control);
    }

    /** The image bytes the keyboard would receive now, in sending order. */
    static std::vector<juce::uint8> imageBytes (const NsDravel::DeviceSettingsImage& image
                                                    = NsDravel::deviceSettingsImage)
    {
        const auto bytes = NsDravel::getImageBytesInSendOrder (image);
        return { bytes.begin(), bytes.end() };
    }

    NsDravel::MappableButton& controlButton (int control)   { return *editor->mixerSection.getControlButton (control); }

    SimulatedMidiPorts ports;
    std::unique_ptr<NsDravel::MainComp> editor;
    NsDravel::MyTimer timer;
};

} // namespace sim

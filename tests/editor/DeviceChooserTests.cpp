#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include "editor/DeviceSelectComponent.h"
#include "editor/EditorState.h"
#include "support/DispatchUntil.h"
#include "support/SimulatedMidiPorts.h"

namespace
{
    /** Output ports that swallow what they are sent; the chooser only lists names. */
    struct SilentDevice  : public sim::PortEndpoint
    {
        void receiveFromProgram (const juce::String&, const juce::MidiMessage&) override {}
    };

    struct DeviceChooser  : public ::testing::Test
    {
        DeviceChooser()              { NsDravel::resetProcessState(); }
        ~DeviceChooser() override
        {
            delete dialog.getComponent();
            NsDravel::resetProcessState();
        }

        void plugIn (const juce::StringArray& outputNames)
        {
            for (auto& name : outputNames)
                ports.publishOutput (name, device);
        }

        /** Runs the chooser as the editor does: as the content of a modal dialog. */
        void open (NsDravel::DeviceSelectComponent& chooser)
        {
            juce::DialogWindow::LaunchOptions options;
            options.content.setNonOwned (&chooser);
            options.dialogTitle = "Select your device";
            dialog = options.launchAsync();
            juce::ModalComponentManager::getInstance()->attachCallback (dialog, juce::ModalCallbackFunction::create ([this] (int r) { result = r; }));
        }

        bool dialogEnded()    { return testsupport::dispatchUntil ([this] { return result >= 0; }); }

        sim::SimulatedMidiPorts ports;
        SilentDevice device;
        juce::Component::SafePointer<juce::DialogWindow> dialog;
        int result = -1;
    };

    juce::ComboBox& listOf (juce::Component& chooser)
    {
        for (auto* child : chooser.getChildren())
            if (auto* box = dynamic_cast<juce::ComboBox*> (child))
                return *box;

        throw std::runtime_error ("no device list");
    }

    juce::Button& buttonOf (juce::Component& chooser, const juce::String& text)
    {
        for (auto* child : chooser.getChildren())
            if (auto* button = dynamic_cast<juce::Button*> (child); button != nullptr && button->getButtonText() == text)
                return *button;

        throw std::runtime_error ("no button " + text.toStdString());
    }

    juce::StringArray itemsOf (juce::ComboBox& box)
    {
        juce::StringArray items;

        for (int i = 0; i < box.getNumItems(); ++i)
            items.add (box.getItemText (i));

        return items;
    }
}

TEST_F (DeviceChooser, ListsOnlyTheMakersPortsAndPreselectsTheCurrentDevice)
{
    plugIn ({ "Some Synth", "Dravel 25", "MIDIOUT2 (Dravel 49)", "halvik midi 3", "DRAVEL 61" });
    NsDravel::deviceName = "halvik midi 3";

    NsDravel::DeviceSelectComponent chooser;

    EXPECT_EQ (itemsOf (listOf (chooser)), juce::StringArray ({ "Dravel 25", "MIDIOUT2 (Dravel 49)", "halvik midi 3" }));
    EXPECT_EQ (listOf (chooser).getText(), "halvik midi 3");
    EXPECT_EQ (chooser.getChosenName(), "halvik midi 3");
    EXPECT_EQ (chooser.getBounds(), juce::Rectangle<int> (0, 0, 300, 200));
    EXPECT_EQ (listOf (chooser).getBounds(), juce::Rectangle<int> (8, 76, 284, 24));
    EXPECT_EQ (buttonOf (chooser, "Connect").getBounds(), juce::Rectangle<int> (90, 160, 100, 30));
    EXPECT_EQ (buttonOf (chooser, "Cancel").getBounds(), juce::Rectangle<int> (190, 160, 100, 30));
}

TEST_F (DeviceChooser, OpensOnTheFirstPortWhenTheCurrentDeviceIsNotListed)
{
    plugIn ({ "Dravel 25", "MIDIOUT2 (Dravel 49)" });
    NsDravel::deviceName = "Dravel 88";

    NsDravel::DeviceSelectComponent chooser;

    EXPECT_EQ (listOf (chooser).getText(), "Dravel 25");
    EXPECT_EQ (chooser.indexOfDevice ("dravel 25"), 0) << "names compare with case";
    EXPECT_EQ (chooser.indexOfDevice ("MIDIOUT2 (Dravel 49)"), 1);
}

TEST_F (DeviceChooser, ConnectOnAProductPortStoresItAndEndsTheDialogWithOne)
{
    plugIn ({ "Dravel 25", "MIDIOUT2 (Dravel 49)" });
    NsDravel::DeviceSelectComponent chooser;
    open (chooser);

    listOf (chooser).setSelectedItemIndex (1);
    buttonOf (chooser, "Connect").triggerClick();

    ASSERT_TRUE (dialogEnded());
    EXPECT_EQ (result, 1);
    EXPECT_EQ (chooser.getChosenName(), "MIDIOUT2 (Dravel 49)");
    EXPECT_EQ (NsDravel::deviceName, "MIDIOUT2 (Dravel 49)");
}

TEST_F (DeviceChooser, ConnectOnANameThatIsNotAProductPortKeepsTheDialogOpenButStoresTheName)
{
    plugIn ({ "Dravel 25" });
    NsDravel::deviceName = "Dravel 25";
    NsDravel::DeviceSelectComponent chooser;
    open (chooser);

    // As when the list no longer matches the ports: the shown name is another device's.
    listOf (chooser).setText ("Some Synth", juce::dontSendNotification);
    buttonOf (chooser, "Connect").triggerClick();
    ASSERT_TRUE (testsupport::dispatchUntil ([] { return NsDravel::deviceName == "Some Synth"; }));
    juce::MessageManager::getInstance()->runDispatchLoopUntil (50);

    EXPECT_EQ (result, -1);
    EXPECT_NE (dialog.getComponent(), nullptr);
    EXPECT_EQ (NsDravel::deviceName, "Some Synth");

    buttonOf (chooser, "Cancel").triggerClick();
    ASSERT_TRUE (dialogEnded());
    EXPECT_EQ (result, 0);
    EXPECT_EQ (NsDravel::deviceName, "Some Synth");
}

TEST_F (DeviceChooser, WithNoPortsConnectStoresAnEmptyNameAndOnlyCancelEndsTheDialog)
{
    NsDravel::deviceName = "Dravel 25";
    NsDravel::DeviceSelectComponent chooser;
    EXPECT_EQ (listOf (chooser).getNumItems(), 0);
    open (chooser);

    buttonOf (chooser, "Connect").triggerClick();
    ASSERT_TRUE (testsupport::dispatchUntil ([] { return NsDravel::deviceName.isEmpty(); }));
    juce::MessageManager::getInstance()->runDispatchLoopUntil (50);
    EXPECT_EQ (result, -1);
    EXPECT_NE (dialog.getComponent(), nullptr);

    buttonOf (chooser, "Cancel").triggerClick();
    ASSERT_TRUE (dialogEnded());
    EXPECT_EQ (result, 0);
}

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include "editor/DeviceSelectComponent.h"
#include "editor/EditorState.h"
#include "support/DispatchUntil.h"
#include "support/SimulatedMidiPorts.h"

namespace
{
    /** An output that swallows what it is sent; the chooser only lists names. */
    struct SilentDevice  : public sim::PortEndpoint
    {
        void receiveFromProgram (const juce::String&, const juce::MidiMessage&) override {}
    };

    struct DeviceChooser  : public ::testing::Test
    {
        DeviceChooser()            { NsDravel::resetProcessState(); }
        ~DeviceChooser() override  { delete dialog.getComponent(); NsDravel::resetProcessState(); }

        NsDravel::DeviceSelectComponent& makeChooser (const juce::StringArray& outputNames, const juce::String& current)
        {
            for (auto& name : outputNames)
                ports.publishOutput (name, device);

            NsDravel::deviceName = current;
            chooser = std::make_unique<NsDravel::DeviceSelectComponent>();

            for (auto* child : chooser->getChildren())
            {
                if (auto* box = dynamic_cast<juce::ComboBox*> (child))
                    list = box;
                else if (auto* button = dynamic_cast<juce::Button*> (child))
                    (button->getButtonText() == "Connect" ? connect : cancel) = button;
            }

            return *chooser;
        }

        /** Runs the chooser as the editor does, as the content of a modal dialog. */
        void openDialog()
        {
            juce::DialogWindow::LaunchOptions options;
            options.content.setNonOwned (chooser.get());
            options.dialogTitle = "Select your device";
            dialog = options.launchAsync();
            juce::ModalComponentManager::getInstance()->attachCallback (dialog, juce::ModalCallbackFunction::create ([this] (int r) { result = r; }));
        }

        sim::SimulatedMidiPorts ports;
        SilentDevice device;
        std::unique_ptr<NsDravel::DeviceSelectComponent> chooser;
        juce::ComboBox* list = nullptr;
        juce::Button* connect = nullptr;
        juce::Button* cancel = nullptr;
        juce::Component::SafePointer<juce::DialogWindow> dialog;
        int result = -1;
    };
}

TEST_F (DeviceChooser, ListsOnlyTheMakersPortsAndPreselectsTheCurrentDeviceOrElseTheFirst)
{
    makeChooser ({ "Some Synth", "Dravel 25", "MIDIOUT2 (Dravel 49)", "halvik midi 3", "DRAVEL 61" }, "halvik midi 3");

    ASSERT_EQ (list->getNumItems(), 3);
    EXPECT_EQ (list->getItemText (1), "MIDIOUT2 (Dravel 49)");
    EXPECT_EQ (list->getText(), "halvik midi 3");

    // A name that is not listed exactly (names compare with case) opens on the first port.
    EXPECT_EQ (chooser->indexOfDevice ("MIDIOUT2 (Dravel 49)"), 1);
    EXPECT_EQ (chooser->indexOfDevice ("midiout2 (dravel 49)"), 0);
    EXPECT_EQ (chooser->indexOfDevice ("Some Synth"), 0);
}

TEST_F (DeviceChooser, ConnectOnANameThatIsNotAProductPortStoresItButOnlyCancelEndsTheDialog)
{
    makeChooser ({ "Dravel 25" }, "Dravel 25");
    openDialog();

    // As when the list no longer matches the ports: the shown name is another device's.
    list->setText ("Some Synth", juce::dontSendNotification);
    connect->triggerClick();
    ASSERT_TRUE (testsupport::dispatchUntil ([&] { return NsDravel::deviceName == "Some Synth"; }));
    juce::MessageManager::getInstance()->runDispatchLoopUntil (50);
    EXPECT_EQ (result, -1);
    EXPECT_NE (dialog, nullptr);

    cancel->triggerClick();
    ASSERT_TRUE (testsupport::dispatchUntil ([&] { return result >= 0; }));
    EXPECT_EQ (result, 0);
    EXPECT_EQ (NsDravel::deviceName, "Some Synth");
}

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include "editor/DeviceSelectComponent.h"
#include "editor/EditorState.h"
#include "support/SimulatedMidiPorts.h"

namespace
{
    /** An output that swallows what it is sent; the chooser only lists names. */
    struct SilentDevice  : public sim::PortEndpoint
    {
        void receiveFromProgram (const juce::String&, const juce::MidiMessage&) override {}
    };
}

TEST (DeviceChooser, ListsOnlyTheMakersPortsAndPreselectsTheCurrentDeviceOrElseTheFirst)
{
    NsDravel::resetProcessState();
    sim::SimulatedMidiPorts ports;
    SilentDevice device;

    for (auto* name : { "Some Synth", "Dravel 25", "MIDIOUT2 (Dravel 49)", "halvik midi 3", "DRAVEL 61" })
        ports.publishOutput (name, device);

    NsDravel::deviceName = "halvik midi 3";
    NsDravel::DeviceSelectComponent chooser;
    juce::ComboBox* list = nullptr;

    for (auto* child : chooser.getChildren())
        if (auto* box = dynamic_cast<juce::ComboBox*> (child))
            list = box;

    ASSERT_NE (list, nullptr);
    ASSERT_EQ (list->getNumItems(), 3);
    EXPECT_EQ (list->getItemText (1), "MIDIOUT2 (Dravel 49)");
    EXPECT_EQ (list->getText(), "halvik midi 3");

    // A name that is not listed exactly (names compare with case) opens on the first port.
    EXPECT_EQ (chooser.indexOfDevice ("MIDIOUT2 (Dravel 49)"), 1);
    EXPECT_EQ (chooser.indexOfDevice ("midiout2 (dravel 49)"), 0);
    EXPECT_EQ (chooser.indexOfDevice ("Some Synth"), 0);
    NsDravel::resetProcessState();
}

#pragma once

#include "support/AlertRecorder.h"
#include "support/SimulatedKeyboard.h"

#include "editor/device/DeviceTimer.h"
#include "editor/window/MainComp.h"

#include <gtest/gtest.h>

namespace sim
{

/**
    The editor's keyboard link as the program runs it, against simulated
    ports: a fresh process state, the editor component, and a device timer
    whose ticks the test drives. Pauses are recorded but not waited for.
*/
class KeyboardLinkFixture : public ::testing::Test
{
protected:
    KeyboardLinkFixture();
    ~KeyboardLinkFixture() override;

    /** Runs one tick of the device timer. */
    void tick()                                         { timer.tick(); }

    /** Runs n ticks. */
    void ticks (int n);

    /** Lets the message thread take what the MIDI input thread handed it. */
    void deliverReplies (SimulatedKeyboard& keyboard);

    /** The window title the last tick drew. */
    juce::String title() const                          { return editor->getName(); }

    /** The text of the editor's "fw ver" label. */
    juce::String versionLabel() const                   { return editor->fwVersionLabel->getText(); }

    /** Closes the editor's connection, as the firmware upgrader hand-over does. */
    void closeConnection();

    /** How many input and output pairs the editor's connection holds open. */
    static int pairCount();

    SimulatedMidiPorts ports;
    std::unique_ptr<NsDravel::MainComp> editor;
    NsDravel::MyTimer timer;
};

} // namespace sim

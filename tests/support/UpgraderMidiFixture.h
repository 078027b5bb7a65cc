#pragma once

#include "support/SimulatedUpgradeUnit.h"
#include "support/TempFolder.h"
#include "support/VirtualClock.h"

#include "firmware/UpgraderState.h"
#include "firmware/catalogue/ProductCatalogue.h"
#include "firmware/midi/UpgraderMidiHandler.h"

#include <gtest/gtest.h>

/** For tests of the upgrader's MIDI: simulated ports whose pauses and reply
    waits run on a virtual clock, units that act on the same clock, an upgrade
    window and firmware image files. Upgrader flags start as at program start. */
class UpgraderMidiFixture : public ::testing::Test
{
protected:
    UpgraderMidiFixture()
    {
        halvik::resetUpgraderState();
        ports.setClock (&clock);
    }

    /** A unit's options: a "Dravel 49" keyboard unless told otherwise, in its
        normal mode unless inUpgradeMode. */
    static sim::SimulatedUpgradeUnit::Options unitOptions (bool inUpgradeMode, const juce::String& model = "Dravel 49",
                                                           int productId = 0x1022)
    {
        sim::SimulatedUpgradeUnit::Options options;
        options.model = model;
        options.productId = productId;
        options.startsInUpgradeMode = inUpgradeMode;
        return options;
    }

    /** A unit plugged into the simulated ports. */
    sim::SimulatedUpgradeUnit& addUnit (sim::SimulatedUpgradeUnit::Options options = {})
    {
        units.push_back (std::make_unique<sim::SimulatedUpgradeUnit> (ports, clock, std::move (options)));
        return *units.back();
    }

    /** No window, and this unit alone plugged in: a fresh start for one row of a table. */
    sim::SimulatedUpgradeUnit& onlyUnit (sim::SimulatedUpgradeUnit::Options options)
    {
        window.reset();
        units.clear();
        return addUnit (std::move (options));
    }

    /** The upgrade window for a product, with the pacing of its family. */
    halvik::FirmwareUpgradeComponent& makeWindow (int productId)
    {
        window = std::make_unique<halvik::FirmwareUpgradeComponent> (productId, false);
        window->flashMethod = halvik::getFlashMethod (productId);
        window->notKeyboardFamily = window->flashMethod != halvik::flashMethodKeyboard;
        return *window;
    }

    /** The window with its handler connected to the unit's upgrade-mode ports
        and holding an image of the given size. */
    halvik::FirmwareUpgradeComponent::MidiInputHandler& connectWithImage (sim::SimulatedUpgradeUnit& unit, int imageSize)
    {
        auto& w = window != nullptr ? *window : makeWindow (0x1022);
        w.openTargetMidiDevices (unit.outputName(), 0);
        w.midiHandler->loadFirmwareImage (writeImage (imageSize));
        ports.clearTimeline();
        return *w.midiHandler;
    }

    /** A file of that many bytes that differ from packet to packet. */
    juce::File writeImage (int size)
    {
        juce::MemoryBlock bytes ((size_t) size);

        for (int i = 0; i < size; ++i)
            bytes[i] = (char) ((i * 7 + i / 512 + 3) & 0xFF);

        auto file = folder.get().getChildFile ("image" + juce::String (size) + ".bin");
        file.replaceWithData (bytes.getData(), bytes.getSize());
        return file;
    }

    /** What reached the devices, without the pauses between. */
    juce::StringArray messagesSent() const
    {
        juce::StringArray lines;

        for (auto& event : ports.timeline())
            if (! event.isPause)
                lines.add (sim::SimulatedMidiPorts::hexOf (event.message));

        return lines;
    }

    sim::VirtualClock clock;
    sim::SimulatedMidiPorts ports;
    TempFolder folder;
    std::vector<std::unique_ptr<sim::SimulatedUpgradeUnit>> units;
    std::unique_ptr<halvik::FirmwareUpgradeComponent> window;
};

#pragma once

#include "support/UpgradeStepsFixture.h"

#include "firmware/catalogue/ProductCatalogue.h"
#include "firmware/midi/UpgraderMidiHandler.h"

/** For tests of the upgrader's MIDI: as the steps' fixture (ports and units on
    a virtual clock, upgrader flags as at program start), plus an upgrade
    window. */
class UpgraderMidiFixture : public sim::UpgradeStepsFixture
{
protected:
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

    /** The window (a keyboard's unless made before) with its handler connected
        to the unit's upgrade-mode ports and holding an image of that size. */
    halvik::FirmwareUpgradeComponent::MidiInputHandler& connectWithImage (sim::SimulatedUpgradeUnit& unit, int imageSize)
    {
        auto& w = window != nullptr ? *window : makeWindow (0x1022);
        w.openTargetMidiDevices (unit.outputName(), 0);
        w.midiHandler->loadFirmwareImage (juce::File (makeImage ("image.bin", imageSize)));
        ports.clearTimeline();
        return *w.midiHandler;
    }

    /** What reached the devices, without the pauses between. */
    juce::StringArray messagesSent() const
    {
        auto lines = ports.describeTimeline();
        lines.strings.removeIf ([] (const juce::String& line) { return line.startsWith ("pause"); });
        return lines;
    }

    std::unique_ptr<halvik::FirmwareUpgradeComponent> window;
};

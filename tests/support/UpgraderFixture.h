#pragma once

#include "support/FlashToolStandIn.h"
#include "support/ScopedEnvironment.h"
#include "support/ScriptedPrompts.h"
#include "support/SimulatedUpgradeUnit.h"
#include "support/TempFolder.h"
#include "support/TextLists.h"
#include "support/VirtualClock.h"

#include "firmware/UpgraderPaths.h"
#include "firmware/UpgraderState.h"
#include "firmware/host/HostProcessor.h"
#include "firmware/midi/UpgraderMidiHandler.h"
#include "firmware/window/FirmwareUpgradeComponent.h"

#include <gtest/gtest.h>

namespace sim
{

/** A test of the upgrader's windows, choosers and look-ups: its process-wide
    flags as at program start (and put back afterwards), simulated MIDI ports
    whose pauses are only recorded, and prompts answered by a script. */
class UpgraderFixture : public ::testing::Test
{
protected:
    UpgraderFixture()            { halvik::resetUpgraderState(); ports.setRealPauses (false); }
    ~UpgraderFixture() override  { halvik::resetUpgraderState(); }

    SimulatedMidiPorts ports;
    ScriptedPrompts prompts;
};

/** A test of the tool family's flashing: as UpgraderFixture, with the
    upgrader's data folder in a temporary folder and the flashing-tool
    stand-in, a fresh simulated unit, as the tool. */
class ToolFamilyFixture : public UpgraderFixture
{
protected:
    ToolFamilyFixture()  { halvik::flashToolPath = FlashToolStandIn::toolFile().getFullPathName(); }

    /** The folder that staged images and read-back files go to. */
    juce::File stagingFolder() const  { return halvik::getUpgraderDataFolder().getChildFile ("local"); }

    /** Writes an image file of that many pseudo-random bytes into the test's
        own folder and returns its path. */
    juce::String makeImage (const juce::String& fileName, int size, juce::int64 seed = 1) const
    {
        const auto bytes = randomBytes ((size_t) size, seed);

        // Joined as text: getChildFile takes a name such as "~x" for a path of its own.
        const juce::File file (images.get().getFullPathName() + "/" + fileName);
        file.replaceWithData (bytes.getData(), bytes.getSize());
        file.create();   // an empty image too: replaceWithData deletes the file for 0 bytes
        return file.getFullPathName();
    }

    static juce::MemoryBlock randomBytes (size_t size, juce::int64 seed)
    {
        juce::MemoryBlock bytes (size);
        juce::Random (seed).fillBitsRandomly (bytes.getData(), bytes.getSize());
        return bytes;
    }

    static juce::MemoryBlock contentOf (const juce::String& path)
    {
        juce::MemoryBlock bytes;
        juce::File (path).loadFileAsData (bytes);
        return bytes;
    }

    /** The protocol pauses taken so far, in milliseconds. */
    std::vector<double> pausesMs() const
    {
        std::vector<double> pauses;

        for (auto& event : ports.timeline())
            if (event.isPause)
                pauses.push_back (event.microseconds / 1000.0);

        return pauses;
    }

    TempFolder dataHome, images;
    ScopedEnvironment dataHomeVariable { "XDG_DATA_HOME", dataHome.get().getFullPathName() };
    FlashToolStandIn tool;
};

/** A test of the upgrade window's steps: as ToolFamilyFixture, with every
    pause and reply wait on a virtual clock that the simulated MIDI units act
    on too, and a host processor that no product refuses, whatever the
    machine's own. */
class UpgradeStepsFixture : public ToolFamilyFixture
{
protected:
    UpgradeStepsFixture()
    {
        ports.setClock (&clock);
        halvik::setHostCpuModelForTesting ("Intel(R) Core(TM) i7-9700 CPU @ 3.00GHz");
    }

    ~UpgradeStepsFixture() override
    {
        units.clear();
        ports.setClock (nullptr);
        halvik::setHostCpuModelForTesting ({});
    }

    /** A MIDI unit plugged into the simulated ports, acting on the clock. */
    SimulatedUpgradeUnit& addUnit (SimulatedUpgradeUnit::Options options)
    {
        units.push_back (std::make_unique<SimulatedUpgradeUnit> (ports, clock, std::move (options)));
        return *units.back();
    }

    /** A unit under the port names ALSA gives it ("<model> MIDI 1", and
        "<model> MIDI 2" with a second port), in its normal mode unless
        inUpgradeMode. */
    static SimulatedUpgradeUnit::Options linuxUnit (const juce::String& model, int productId,
                                                    bool secondPort = false, bool inUpgradeMode = false)
    {
        SimulatedUpgradeUnit::Options options;
        options.model = model;
        options.productId = productId;
        options.naming = SimulatedUpgradeUnit::Naming::linux;
        options.hasSecondPort = secondPort;
        options.startsInUpgradeMode = inUpgradeMode;
        return options;
    }

    /** An upgrade window as Start, Enter and Activate leave it: the unit found
        with that version (the tool family keeps it as text, the MIDI families
        as a number), a MIDI unit's upgrade port open when one is given, and
        with an image also as Select leaves it. */
    std::unique_ptr<halvik::FirmwareUpgradeComponent> readyWindow (int productId, const juce::String& unitVersion,
                                                                   SimulatedUpgradeUnit* unit = nullptr,
                                                                   const juce::String& image = {}, bool serverList = true)
    {
        auto window = std::make_unique<halvik::FirmwareUpgradeComponent> (productId, serverList);
        window->deviceReplyText = unitVersion;
        window->startVersion = unitVersion.getFloatValue();
        window->setStep (3);
        halvik::activatedMarker = 1;
        halvik::toolModeEntered = halvik::toolFamilyActive;

        if (unit != nullptr)
            window->openTargetMidiDevices (unit->outputName(), 0);

        if (image.isNotEmpty())
        {
            halvik::selectedMarker = 1;
            halvik::firmwareFilePath = image;

            if (unit != nullptr)
                window->midiHandler->loadFirmwareImage (juce::File (image));
        }

        return window;
    }

    /** The texts of the message boxes shown, and the titles of the dialogs. */
    std::vector<std::string> messages() const  { return texts (prompts.messages()); }
    std::vector<std::string> dialogs() const   { return texts (prompts.titlesOf ("dialog")); }

    /** The message boxes shown, each as box() gives it. */
    std::vector<std::string> boxes() const
    {
        std::vector<std::string> found;

        for (auto& shown : prompts.ofKind ("message"))
            found.push_back (box (shown.icon, shown.title, shown.message));

        return found;
    }

    static std::string box (juce::MessageBoxIconType icon, const juce::String& title, const juce::String& message)
    {
        return (juce::String ((int) icon) + "|" + title + "|" + message).toStdString();
    }

    VirtualClock clock;
    std::vector<std::unique_ptr<SimulatedUpgradeUnit>> units;
};

} // namespace sim

#pragma once

#include "support/FlashToolStandIn.h"
#include "support/ScopedEnvironment.h"
#include "support/SimulatedMidiPorts.h"
#include "support/TempFolder.h"

#include "firmware/UpgraderPaths.h"
#include "firmware/UpgraderState.h"

#include <gtest/gtest.h>
#include <vector>

namespace sim
{

/** A test of the tool family's flashing: the upgrader's flags as at start,
    its data folder in a temporary folder, the flashing-tool stand-in with a
    fresh simulated unit as the tool, and protocol pauses recorded instead of
    waited for. */
class ToolFamilyFixture : public ::testing::Test
{
protected:
    ToolFamilyFixture()
    {
        halvik::resetUpgraderState();
        halvik::flashToolPath = FlashToolStandIn::toolFile().getFullPathName();
        ports.setRealPauses (false);
    }

    ~ToolFamilyFixture() override
    {
        halvik::resetUpgraderState();
    }

    /** The folder that staged images and read-back files go to. */
    juce::File stagingFolder() const
    {
        return halvik::getUpgraderDataFolder().getChildFile ("local");
    }

    /** Writes an image file of that many pseudo-random bytes into the test's
        own folder and returns its path. */
    juce::String makeImage (const juce::String& fileName, int size, juce::int64 seed = 1) const
    {
        juce::MemoryBlock bytes ((size_t) size);
        juce::Random random (seed);
        random.fillBitsRandomly (bytes.getData(), bytes.getSize());

        // Joined as text: getChildFile takes a name such as "~x" for a path of its own.
        const juce::File file (images.get().getFullPathName() + "/" + fileName);
        file.replaceWithData (bytes.getData(), bytes.getSize());
        file.create();   // an empty image too: replaceWithData deletes the file for 0 bytes
        return file.getFullPathName();
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
    SimulatedMidiPorts ports;
    FlashToolStandIn tool;
};

} // namespace sim

#pragma once

#include "support/TextLists.h"
#include "support/ScriptedPrompts.h"
#include "support/SimulatedUpgradeUnit.h"
#include "support/ToolFamilyFixture.h"
#include "support/VirtualClock.h"

#include "firmware/host/HostProcessor.h"

namespace sim
{

/** A test of the upgrade window's steps: as ToolFamilyFixture (flags as at
    start, the flashing-tool stand-in with its simulated unit), with every
    pause and reply wait on a virtual clock that the simulated MIDI units act
    on too, scripted prompts, and a host processor that no product refuses,
    whatever the machine's own. */
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

    /** The texts of the message boxes shown, and the titles of the dialogs. */
    std::vector<std::string> messages() const  { return texts (prompts.messages()); }
    std::vector<std::string> dialogs() const
    {
        std::vector<std::string> titles;

        for (auto& shown : prompts.ofKind ("dialog"))
            titles.push_back (shown.title.toStdString());

        return titles;
    }

    /** The tool's runs, each as its arguments joined by blanks. */
    std::vector<std::string> toolRuns() const  { return texts (tool.describeRuns()); }

    /** prefix + first + suffix, ..., prefix + last + suffix. */
    static std::vector<std::string> numbered (const juce::String& prefix, int first, int last, const juce::String& suffix = {})
    {
        std::vector<std::string> result;

        for (int i = first; i <= last; ++i)
            result.push_back ((prefix + juce::String (i) + suffix).toStdString());

        return result;
    }

    /** The protocol pauses of exactly this length taken so far. */
    int pausesOf (double ms) const
    {
        int count = 0;

        for (auto pause : pausesMs())
            if (pause == ms)
                ++count;

        return count;
    }

    VirtualClock clock;
    std::vector<std::unique_ptr<SimulatedUpgradeUnit>> units;
    ScriptedPrompts prompts;
};

} // namespace sim

#pragma once

#include "support/TestSurroundings.h"
#include "tools/FlashToolStandInState.h"

#include <algorithm>
#include <vector>

namespace sim
{

/** The flashing-tool stand-in (tools/FlashToolStandIn.cpp) with a simulated
    unit of its own: a fresh state folder for its flash, its runs and its fault
    switches. While the object lives, TAVLO_FLASH_TOOL names the stand-in. */
class FlashToolStandIn
{
public:
    FlashToolStandIn()
    {
        environment.set ("TAVLO_FLASH_STANDIN_STATE", state.get().getFullPathName());
        environment.set ("TAVLO_FLASH_TOOL", toolFile().getFullPathName());
    }

    /** The stand-in's executable in the build folder. */
    static juce::File toolFile()  { return juce::File (TAVLO_FLASH_TOOL_STANDIN); }

    /** Turns a fault switch on (see the stand-in's source for the names),
        with an optional content such as a count. */
    void setSwitch (const juce::String& name, const juce::String& content = {})
    {
        state.get().getChildFile (name).replaceWithText (content);
    }

    /** Each run's arguments after the tool's path, in order. */
    std::vector<juce::StringArray> runs() const
    {
        std::vector<juce::StringArray> result;

        for (auto& run : standin::readRuns (folder()))
        {
            auto& arguments = result.emplace_back();

            for (auto& argument : run)
                arguments.add (juce::String::fromUTF8 (argument.data(), (int) argument.size()));
        }

        return result;
    }

    /** The same, each run's arguments joined by blanks: "-u -- reset". */
    juce::StringArray describeRuns() const
    {
        juce::StringArray described;

        for (auto& run : runs())
            described.add (run.joinIntoString (" "));

        return described;
    }

    /** Bytes of the simulated flash, from an address at or above 0x60000000. */
    juce::MemoryBlock flashBytes (juce::int64 address, size_t count) const
    {
        return { standin::loadFlash (folder()).data() + (address - (juce::int64) standin::flashBase), count };
    }

    /** Writes bytes straight into the simulated flash, as an earlier firmware. */
    void putFlashBytes (juce::int64 address, const juce::MemoryBlock& bytes)
    {
        auto flash = standin::loadFlash (folder());
        std::copy (bytes.begin(), bytes.end(), flash.begin() + (address - (juce::int64) standin::flashBase));
        standin::saveFlash (folder(), flash);
    }

    /** The process id of the last run that hung, or of the last helper a run
        left behind ("leave-helper"); -1 when there is none. */
    int hungProcessId() const    { return (int) standin::readNumber (folder() / "hang.pid"); }
    int helperProcessId() const  { return (int) standin::readNumber (folder() / "helper.pid"); }

private:
    std::filesystem::path folder() const  { return state.get().getFullPathName().toStdString(); }

    TempFolder state;
    ScopedEnvironment environment;

    JUCE_DECLARE_NON_COPYABLE (FlashToolStandIn)
};

} // namespace sim

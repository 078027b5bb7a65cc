#pragma once

#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

#include <juce_core/juce_core.h>
#include <vector>

namespace sim
{

/** The flashing-tool stand-in (tools/FlashToolStandIn.cpp) with a simulated
    unit of its own: a fresh state folder for its flash, its log and its fault
    switches. While the object lives, TAVLO_FLASH_TOOL names the stand-in. */
class FlashToolStandIn
{
public:
    FlashToolStandIn();

    /** The stand-in's executable in the build folder. */
    static juce::File toolFile();

    /** Turns a fault switch on (see the stand-in's source for the names),
        with an optional content such as a count or a command word. */
    void setSwitch (const juce::String& name, const juce::String& content = {});

    void clearSwitch (const juce::String& name);

    /** Each run's arguments after the tool's path, in order. */
    std::vector<juce::StringArray> runs() const;

    /** The same, each run's arguments joined by blanks: "-u -- reset". */
    juce::StringArray describeRuns() const;

    /** Bytes of the simulated flash; its base address is 0x60000000. An
        untouched flash reads erased (0xFF). */
    juce::MemoryBlock flashBytes (juce::int64 address, size_t count) const;

    /** Writes bytes straight into the simulated flash, as an earlier firmware. */
    void putFlashBytes (juce::int64 address, const juce::MemoryBlock& bytes);

    /** The process id of the last run that hung, or -1. */
    int hungProcessId() const;

    /** The process id of the last helper a run left behind ("leave-helper"), or -1. */
    int helperProcessId() const;

    const juce::File& getStateFolder() const { return state.get(); }

private:
    TempFolder state;
    ScopedEnvironment environment;

    JUCE_DECLARE_NON_COPYABLE (FlashToolStandIn)
};

} // namespace sim

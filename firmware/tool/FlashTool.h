#pragma once

#include <juce_core/juce_core.h>

/** The external USB bootloader host tool that flashes the tool family. */
namespace halvik
{
    /** Where the program looks for the tool: the file named by the environment
        variable TAVLO_FLASH_TOOL when it is set, else
        resources/Assets/tools/linux/blhost in the program's resources folder. */
    juce::File locateFlashTool();

    /** True when path names an existing file; an empty path stands for the
        tool's place in the resources folder. */
    bool isBlhostAvailable (const juce::String& path);

    /** Runs one tool command ("keep", "erase", "write", "read", "reset") and
        returns 1 (status and "Success."), 0 (status without success) or -1
        (no status line, or nothing run). Message thread. */
    int runBlhostCommand (juce::String command, juce::String argument, juce::String text,
                          juce::String address, juce::String pingCount);
}

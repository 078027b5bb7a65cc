#include "firmware/tool/FlashTool.h"

#include "app/ResourcesFolder.h"

namespace halvik
{
    juce::File locateFlashTool()
    {
        const auto fromEnvironment = juce::SystemStats::getEnvironmentVariable ("TAVLO_FLASH_TOOL", {});

        if (fromEnvironment.isNotEmpty())
            return juce::File::getCurrentWorkingDirectory().getChildFile (fromEnvironment);

        return getResourceFile ("resources/Assets/tools/linux/blhost");
    }

    bool isBlhostAvailable (const juce::String& path)
    {
        return (path.isEmpty() ? locateFlashTool() : juce::File (path)).existsAsFile();
    }

    // Stand-in until the runner is built: nothing runs.
    int runBlhostCommand (juce::String, juce::String, juce::String, juce::String, juce::String)
    {
        return -1;
    }
}

#include "DesktopWindows.h"
#include "TestProcess.h"

juce::StringArray findVisibleWindows (int processId, const juce::String& title)
{
    auto lines = juce::StringArray::fromLines (runAndRead ({ "xdotool", "search", "--all", "--onlyvisible",
                                                             "--pid", juce::String (processId),
                                                             "--name", "^" + title + "$" }));
    lines.removeEmptyStrings();
    return lines;
}

void typeKeysInto (const juce::String& windowId, const juce::String& keys)
{
    runAndRead ({ "xdotool", "key", "--window", windowId, keys });
}

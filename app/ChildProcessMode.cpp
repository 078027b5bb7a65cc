#include "ChildProcessMode.h"

// The child-process connection does not exist yet: every start is a normal start.
bool startChildProcessMode (const juce::String& commandLine)
{
    juce::ignoreUnused (commandLine);
    return false;
}

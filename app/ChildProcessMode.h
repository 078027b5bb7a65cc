#pragma once

#include <juce_core/juce_core.h>

/** Checks the command line for the child-process argument. Returns true when the
    process was started as a child of another program and is now connected to it;
    the application then opens no window. Message thread, inside initialise. */
bool startChildProcessMode (const juce::String& commandLine);

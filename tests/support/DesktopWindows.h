#pragma once

#include <juce_core/juce_core.h>

/** The ids of the mapped top-level windows of a process whose title matches,
    as the X server sees them (asked through xdotool). */
juce::StringArray findVisibleWindows (int processId, const juce::String& title);

/** Types a key combination (xdotool's syntax, e.g. "ctrl+q") into a window. */
void typeKeysInto (const juce::String& windowId, const juce::String& keys);

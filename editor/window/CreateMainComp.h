#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace NsDravel
{
    /** Creates the keyboard mapping editor, the one view the main window shows.
        The caller owns the result; null means the editor could not be built.
        Message thread only. */
    juce::Component* createMainComp();
}

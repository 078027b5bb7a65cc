#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** While it lives, the program's windows take no clicks, keys or closes, as
    under any other dialog of ours. The system's file chooser runs in a process
    of its own and keeps our message loop going meanwhile; without this the
    window under the chooser could be used, or closed, while it runs.
    Made and destroyed on the message thread, around the chooser's call. */
class WindowsBlockedWhileChoosing
{
public:
    WindowsBlockedWhileChoosing()   { blocker.enterModalState (false); }
    ~WindowsBlockedWhileChoosing()  { blocker.exitModalState (0); }

private:
    /** Invisible: it holds the modal state and shows nothing. */
    juce::Component blocker;

    JUCE_DECLARE_NON_COPYABLE (WindowsBlockedWhileChoosing)
};

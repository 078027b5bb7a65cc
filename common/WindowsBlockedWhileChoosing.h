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
    WindowsBlockedWhileChoosing()
    {
        // Over a modal window of ours (the upgrade dialog) the blocker goes
        // inside that window. JUCE answers a window brought to the front while
        // a modal component of another window blocks it by bringing the modal
        // components' windows to the front; a blocker with no window leaves
        // that to the modal window beneath it, which, brought there, is still
        // blocked from another window and asks again, until the stack
        // overflows (a click on it, or the end of JUCE's own chooser over it,
        // set that off). Inside it, the window holds its own blocker. (Added
        // as a plain child: a dialog's own addChildComponent is for content.)
        if (auto* modal = juce::Component::getCurrentlyModalComponent())
            if (auto* window = modal->getTopLevelComponent(); window->isOnDesktop())
                window->juce::Component::addChildComponent (blocker);

        blocker.enterModalState (false);
    }

    ~WindowsBlockedWhileChoosing()  { blocker.exitModalState (0); }

private:
    /** Of no size: it holds the modal state and shows nothing. */
    juce::Component blocker;

    JUCE_DECLARE_NON_COPYABLE (WindowsBlockedWhileChoosing)
};

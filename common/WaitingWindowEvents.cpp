#include "common/WaitingWindowEvents.h"

// JUCE's X11 declarations (X11Symbols) come only with this set.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include <juce_gui_basics/juce_gui_basics.h>
#include <juce_events/native/juce_linux_EventLoopInternal.h>

void handOverWaitingWindowEvents()
{
    if (! juce::MessageManager::existsAndIsCurrentThread())
        return;

    auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();
    auto* display = windowSystem != nullptr ? windowSystem->getDisplay() : nullptr;

    if (display == nullptr)
        return;

    auto* x = juce::X11Symbols::getInstance();

    {
        // Once the server has answered, every event it made before it
        // handled this request has reached the connection.
        juce::XWindowSystemUtilities::ScopedXLock lock;
        x->xSync (display, False);
    }

    // JUCE's own handler of the connection reads the queue to its end.
    juce::LinuxEventLoopInternal::invokeEventLoopCallbackForFd (x->xConnectionNumber (display));
}

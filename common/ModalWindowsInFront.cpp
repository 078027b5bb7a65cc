#include "common/ModalWindowsInFront.h"

// JUCE's X11 declarations (X11Symbols) come only with this set.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include <juce_gui_basics/juce_gui_basics.h>
#include <juce_events/native/juce_linux_EventLoopInternal.h>

#include "common/OutermostWindow.h"

#include <algorithm>
#include <utility>
#include <vector>

// What follows replaces one call inside JUCE's X11 back end and listens to its
// event loop's internals, as they are in JUCE 7.0.5. Before moving to another
// version, check that XWindowSystem::toBehind is still the only user of
// X11Symbols::xRestackWindows and still gets it backwards, that JUCE still
// loads its X functions before it registers the display's connection with the
// event loop, and that LinuxEventLoopInternal still tells of that; then change
// the version here, or drop this file if JUCE got it right.
static_assert (JUCE_MAJOR_VERSION == 7 && JUCE_MINOR_VERSION == 0 && JUCE_BUILDNUMBER == 5,
               "keepModalWindowsInFront was checked against JUCE 7.0.5 only: see the note above");

// Why: a click on a window that a modal one blocks makes JUCE bring the modal
// windows to the front, the top one first, and then put each next one behind
// the one above it. On X11, "put A behind B" hands {A, B} to XRestackWindows,
// which puts A above B: with two modal levels (a chooser or a message box over
// the upgrade dialog) the top one lands under the dialog, and a window manager
// that takes a request to go below a window as "go to the bottom" (openbox
// does) drops it under the editor too, where it keeps the keys unseen. So that
// one call is replaced: when both windows are modal ones of ours, every modal
// window is raised in turn, the lowest first, which leaves them in their modal
// order above all else whether a window manager is there or not; a plain raise
// gives a window manager nothing to misread. JUCE's own toFront has already
// given the top one the focus, and the raises leave it there. They also leave
// the top one in front, so X's notices about them bring no blocked window to
// the front in JUCE's eyes, and nothing calls back into this. Any other
// restack goes to X as JUCE made it.
namespace
{
    using RestackFunction = void (*) (::Display*, ::Window*, int);

    /** The X library's own restack, as JUCE loaded it. */
    RestackFunction restackAsJuceDoes = nullptr;

    /** The windows of the modal components, the top one first, each once. */
    std::vector<::Window> modalWindows()
    {
        std::vector<::Window> windows;
        auto& modals = *juce::ModalComponentManager::getInstance();

        for (int i = 0; i < modals.getNumModalComponents(); ++i)
            if (auto* modal = modals.getModalComponent (i))
                if (auto* peer = modal->getPeer())
                    if (const auto window = (::Window) (juce::pointer_sized_uint) peer->getNativeHandle();
                        std::find (windows.begin(), windows.end(), window) == windows.end())
                        windows.push_back (window);

        return windows;
    }

    void restackModalWindowsInOrder (::Display* display, ::Window* stack, int count)
    {
        // Only a pair can come from JUCE's toBehind.
        if (count != 2)
        {
            restackAsJuceDoes (display, stack, count);
            return;
        }

        const auto modal = modalWindows();
        std::vector<::Window> outermost;

        for (auto window : modal)
            outermost.push_back (outermostWindowOf (display, window));

        const auto isModal = [&] (::Window window)
        {
            return std::find (outermost.begin(), outermost.end(), window) != outermost.end();
        };

        if (! isModal (stack[0]) || ! isModal (stack[1]))
        {
            restackAsJuceDoes (display, stack, count);
            return;
        }

        for (auto window = modal.rbegin(); window != modal.rend(); ++window)
            XRaiseWindow (display, *window);

        XFlush (display);
    }

    /** Puts the replacement in place whenever JUCE has (re)loaded its X functions. */
    void replaceRestack()
    {
        if (! juce::MessageManager::existsAndIsCurrentThread())
            return;

        if (auto* x = juce::X11Symbols::getInstanceWithoutCreating())
        {
            if (x->xRestackWindows != restackModalWindowsInOrder)
            {
                restackAsJuceDoes = x->xRestackWindows;
                x->xRestackWindows = restackModalWindowsInOrder;
            }
        }
    }

    /** JUCE opens the display when the first window needs it, which may be
        long after the start (a test may pick its display first), and then
        registers the display's connection with the event loop: that is the
        moment its X functions are loaded and not yet used. */
    struct DisplayConnectionWatch  : public juce::LinuxEventLoopInternal::Listener
    {
        void fdCallbacksChanged() override  { replaceRestack(); }
    };
}

void keepModalWindowsInFront()
{
    static DisplayConnectionWatch watch;
    static bool installed = false;

    if (std::exchange (installed, true))
        return;

    juce::LinuxEventLoopInternal::registerLinuxEventLoopListener (watch);
    replaceRestack();
}

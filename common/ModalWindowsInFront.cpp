#include "common/ModalWindowsInFront.h"

// JUCE's X11 declarations (X11Symbols) come only with this set.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include <juce_gui_basics/juce_gui_basics.h>
#include <juce_events/native/juce_linux_EventLoopInternal.h>

#include "common/OutermostWindow.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <utility>
#include <vector>

// What follows replaces two calls inside JUCE's X11 back end and listens to its
// event loop's internals, as they are in JUCE 7.0.5. Before moving to another
// version, check that XWindowSystem::toBehind is still the only user of
// X11Symbols::xRestackWindows and still gets it backwards, that top-level
// windows are still mapped only through X11Symbols::xMapWindow (setVisible,
// and toFront, which maps even a hidden window), that enterModalState still
// registers a component as modal before it shows it, that JUCE still sets no
// WM_TRANSIENT_FOR, that JUCE still loads its X functions before it registers
// the display's connection with the event loop, and that LinuxEventLoopInternal
// still tells of that; then change the version here, or drop this file if JUCE
// got it right.
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
//
// A click on the title bar of a blocked window goes to the window manager
// alone: it raises that window and gives it the focus, and JUCE sees no click,
// only the focus arriving, which it hands to what had the keys in that window
// when there was such a thing, instead of bringing the modal windows to the
// front. So the window manager has to keep them there itself: as JUCE maps a
// modal window of ours, it is made to name the window it blocks as its owner
// (WM_TRANSIENT_FOR), which keeps it above that window, and is marked modal
// (_NET_WM_STATE_MODAL), which makes openbox give it the focus when its owner
// is clicked; both were needed there. A window manager reads the modal state
// only as it takes a window on (asking openbox for it later put a chooser
// under its dialog), so a window has to be modal when it is first mapped.
// Without a window manager the two change nothing, and the raises do the work.
// Any other window is mapped as JUCE asks.
namespace
{
    using RestackFunction = void (*) (::Display*, ::Window*, int);
    using MapFunction = void (*) (::Display*, ::Window);

    /** The X library's own restack and map, as JUCE loaded them. */
    RestackFunction restackAsJuceDoes = nullptr;
    MapFunction mapAsJuceDoes = nullptr;

    ::Window windowOf (juce::ComponentPeer& peer)
    {
        return (::Window) (juce::pointer_sized_uint) peer.getNativeHandle();
    }

    /** The windows of the modal components, the top one first, each once. */
    std::vector<juce::ComponentPeer*> modalPeers()
    {
        std::vector<juce::ComponentPeer*> peers;
        auto& modals = *juce::ModalComponentManager::getInstance();

        for (int i = 0; i < modals.getNumModalComponents(); ++i)
            if (auto* modal = modals.getModalComponent (i))
                if (auto* peer = modal->getPeer(); peer != nullptr
                                                    && std::find (peers.begin(), peers.end(), peer) == peers.end())
                    peers.push_back (peer);

        return peers;
    }

    std::vector<::Window> modalWindows()
    {
        std::vector<::Window> windows;

        for (auto* peer : modalPeers())
            windows.push_back (windowOf (*peer));

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

    /** A window that a window manager frames and stacks: menus and other
        temporary windows of JUCE's are left to themselves. */
    bool isFramed (juce::ComponentPeer& peer)
    {
        return (peer.getStyleFlags() & juce::ComponentPeer::windowIsTemporary) == 0;
    }

    /** The window that a modal window blocks: the next modal window below it,
        or, below the lowest one, the frontmost other window of ours that
        shows (the editor's, in practice); 0 when the window is no modal one
        of ours or blocks none. */
    ::Window windowBlockedBy (::Window window)
    {
        bool isModal = false;

        // The top one first: the modal windows below this one follow it.
        for (auto* peer : modalPeers())
        {
            if (! isFramed (*peer))
                continue;

            if (windowOf (*peer) == window)
                isModal = true;
            else if (isModal)
                return windowOf (*peer);
        }

        if (! isModal)
            return 0;

        auto& desktop = juce::Desktop::getInstance();

        // JUCE keeps its windows on the desktop frontmost last.
        for (int i = desktop.getNumComponents(); --i >= 0;)
            if (auto* other = desktop.getComponent (i); other != nullptr && other->isShowing()
                                                         && ! other->isCurrentlyModal (false))
                if (auto* peer = other->getPeer(); peer != nullptr && isFramed (*peer))
                    return windowOf (*peer);

        return 0;
    }

    /** Adds the modal state to those JUCE gave the window (skip the taskbar,
        stay above), which a window manager reads as it takes the window on. */
    void addModalState (::Display* display, ::Window window)
    {
        const auto states = XInternAtom (display, "_NET_WM_STATE", False);
        auto modal = XInternAtom (display, "_NET_WM_STATE_MODAL", False);
        Atom type = None;
        int format = 0;
        unsigned long count = 0, remaining = 0;
        unsigned char* data = nullptr;
        bool listed = false;

        if (XGetWindowProperty (display, window, states, 0, 64, False, XA_ATOM, &type, &format,
                                &count, &remaining, &data) == Success && data != nullptr)
        {
            if (format == 32)
                listed = std::find ((Atom*) data, (Atom*) data + count, modal) != (Atom*) data + count;

            XFree (data);
        }

        if (! listed)
            XChangeProperty (display, window, states, XA_ATOM, 32, PropModeAppend, (unsigned char*) &modal, 1);
    }

    void mapNamingTheBlockedWindowAsOwner (::Display* display, ::Window window)
    {
        ::Window owner = 0;

        // Once per window: JUCE maps a window again whenever it brings it to
        // the front, also while it leaves its modal state.
        if (const auto blocked = windowBlockedBy (window);
            blocked != 0 && XGetTransientForHint (display, window, &owner) == 0)
        {
            XSetTransientForHint (display, window, blocked);
            addModalState (display, window);
        }

        mapAsJuceDoes (display, window);
    }

    /** Puts the replacements in place whenever JUCE has (re)loaded its X functions. */
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

            if (x->xMapWindow != mapNamingTheBlockedWindowAsOwner)
            {
                mapAsJuceDoes = x->xMapWindow;
                x->xMapWindow = mapNamingTheBlockedWindowAsOwner;
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

// JUCE's X11 declarations (its display connection) come only with this set.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include "support/WindowManagerView.h"

#include "support/TestProcess.h"

#include "common/OutermostWindow.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>

WindowManagerView::WindowManagerView (const juce::String& displayName)
    : display (XOpenDisplay (displayName.isEmpty() ? nullptr : displayName.toRawUTF8()))
{
    if (display == nullptr)
        return;

    for (auto* name : { "_MOTIF_WM_HINTS", "_NET_WM_ALLOWED_ACTIONS", "_NET_WM_ACTION_RESIZE",
                        "_NET_WM_ACTION_FULLSCREEN", "_NET_WM_ACTION_MINIMIZE", "_NET_WM_ACTION_CLOSE" })
        XInternAtom (display, name, False);

    probe = XCreateSimpleWindow (display, DefaultRootWindow (display), 0, 0, 1, 1, 0, 0, 0);
}

WindowManagerView::~WindowManagerView()
{
    if (display != nullptr)
        XCloseDisplay (display);
}

std::vector<long> WindowManagerView::items (const juce::Component& window, const char* propertyName) const
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    std::vector<long> result;
    const auto id = (Window) (juce::pointer_sized_uint) window.getWindowHandle();

    if (display != nullptr && id != 0
         && XGetWindowProperty (display, id, XInternAtom (display, propertyName, False), 0, 64, False,
                                AnyPropertyType, &type, &format, &count, &remaining, &data) == Success
         && data != nullptr)
    {
        if (format == 32)
            result.assign ((long*) data, (long*) data + count);

        XFree (data);
    }

    return result;
}

juce::StringArray WindowManagerView::allowedActions (const juce::Component& window) const
{
    juce::StringArray names;

    for (auto atom : items (window, "_NET_WM_ALLOWED_ACTIONS"))
    {
        auto* name = XGetAtomName (display, (Atom) atom);
        names.add (name);
        XFree (name);
    }

    return names;
}

std::pair<long, long> WindowManagerView::motifFunctionsAndDecorations (const juce::Component& window) const
{
    // flags, functions, decorations, input mode, status
    const auto motif = items (window, "_MOTIF_WM_HINTS");
    return motif.size() < 3 ? std::pair<long, long> (-1, -1) : std::pair<long, long> (motif[1], motif[2]);
}

unsigned long WindowManagerView::windowOf (const juce::Component& window)
{
    auto* peer = window.getPeer();
    return peer != nullptr ? (unsigned long) (juce::pointer_sized_uint) peer->getNativeHandle() : 0;
}

std::vector<unsigned long> WindowManagerView::inStackingOrder (std::vector<unsigned long> windows) const
{
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;

    if (display == nullptr || XQueryTree (display, DefaultRootWindow (display), &root, &parent, &children, &count) == 0)
        return {};

    // The root's children come bottom first.
    const std::vector<Window> stack (children, children + count);
    XFree (children);

    const auto place = [&] (unsigned long window)
    {
        return std::find (stack.begin(), stack.end(), outermostWindowOf (display, window)) - stack.begin();
    };

    std::stable_sort (windows.begin(), windows.end(), [&] (auto a, auto b) { return place (a) < place (b); });
    return windows;
}

unsigned long WindowManagerView::focusedWindow() const
{
    Window focused = 0;
    int revertTo = 0;

    if (display != nullptr)
        XGetInputFocus (display, &focused, &revertTo);

    return focused;
}

juce::Rectangle<int> WindowManagerView::screenBoundsOf (unsigned long window) const
{
    XWindowAttributes attributes {};
    int x = 0, y = 0;
    Window child = 0;

    if (display == nullptr || XGetWindowAttributes (display, window, &attributes) == 0
         || ! XTranslateCoordinates (display, window, DefaultRootWindow (display), 0, 0, &x, &y, &child))
        return {};

    return { x, y, attributes.width, attributes.height };
}

juce::Point<int> WindowManagerView::uncoveredPointOf (unsigned long window,
                                                      const std::vector<unsigned long>& others) const
{
    const auto area = screenBoundsOf (window);

    for (auto point : { area.getTopRight() + juce::Point<int> (-8, 8), area.getBottomRight() - juce::Point<int> (8, 8),
                        area.getBottomLeft() + juce::Point<int> (40, -8) })
    {
        const auto covers = [&] (auto other) { return screenBoundsOf (other).contains (point); };

        if (std::none_of (others.begin(), others.end(), covers))
            return point - area.getTopLeft();
    }

    return {};
}

unsigned long WindowManagerView::frameOf (unsigned long window) const
{
    return display != nullptr ? outermostWindowOf (display, window) : window;
}

std::optional<juce::Point<int>> WindowManagerView::titleBarPointOf (unsigned long window,
                                                                    const std::vector<unsigned long>& others,
                                                                    int choice) const
{
    const auto frame = screenBoundsOf (frameOf (window));
    const auto titleBar = frame.withBottom (screenBoundsOf (window).getY());

    if (titleBar.getHeight() <= 0)
        return {};

    // Away from the buttons at either end, a quarter of the width apart.
    for (int candidate = 0; candidate < 3; ++candidate)
    {
        const auto across = 0.25f + 0.25f * (float) ((choice + candidate) % 3);
        const juce::Point<int> point (titleBar.getX() + titleBar.proportionOfWidth (across), titleBar.getCentreY());
        const auto covers = [&] (auto other) { return screenBoundsOf (frameOf (other)).contains (point); };

        if (std::none_of (others.begin(), others.end(), covers))
            return point - frame.getTopLeft();
    }

    return {};
}

bool WindowManagerView::windowManagerHasCaughtUp() const
{
    if (display == nullptr)
        return false;

    // A window manager answers a request for the frame sizes of a window by
    // setting them on it, after whatever reached it before the request.
    const auto extents = XInternAtom (display, "_NET_FRAME_EXTENTS", False);
    XDeleteProperty (display, probe, extents);

    XEvent request {};
    request.xclient.type = ClientMessage;
    request.xclient.window = probe;
    request.xclient.message_type = XInternAtom (display, "_NET_REQUEST_FRAME_EXTENTS", False);
    request.xclient.format = 32;
    XSendEvent (display, DefaultRootWindow (display), False,
                SubstructureRedirectMask | SubstructureNotifyMask, &request);
    XSync (display, False);

    return eventually ([&]
    {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, remaining = 0;
        unsigned char* data = nullptr;

        if (XGetWindowProperty (display, probe, extents, 0, 4, False, AnyPropertyType,
                                &type, &format, &count, &remaining, &data) != Success)
            return false;

        if (data != nullptr)
            XFree (data);

        return type != None;
    }, 500, 10);
}

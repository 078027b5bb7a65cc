#include "support/WindowManagerView.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

WindowManagerView::WindowManagerView()
    : display (XOpenDisplay (nullptr))
{
    if (display != nullptr)
        for (auto* name : { "_MOTIF_WM_HINTS", "_NET_WM_ALLOWED_ACTIONS", "_NET_WM_ACTION_RESIZE",
                            "_NET_WM_ACTION_FULLSCREEN", "_NET_WM_ACTION_MINIMIZE", "_NET_WM_ACTION_CLOSE" })
            XInternAtom (display, name, False);
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

#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <vector>

struct _XDisplay;

/** A window's hints as a window manager reads them from the X server, over a
    connection of the test's own. Create it before the window: it makes the
    server know the hint names, as any window manager that has run on it does,
    and a JUCE window writes its hints only under names the server knows. */
class WindowManagerView
{
public:
    WindowManagerView();
    ~WindowManagerView();

    bool isOpen() const noexcept     { return display != nullptr; }

    /** The actions the window allows (_NET_WM_ALLOWED_ACTIONS), by atom name. */
    juce::StringArray allowedActions (const juce::Component& window) const;

    /** The Motif hints' functions and decorations; both -1 while the window has none. */
    std::pair<long, long> motifFunctionsAndDecorations (const juce::Component& window) const;

private:
    std::vector<long> items (const juce::Component& window, const char* propertyName) const;

    _XDisplay* display;

    JUCE_DECLARE_NON_COPYABLE (WindowManagerView)
};

#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <optional>
#include <vector>

struct _XDisplay;

/** What the X server and a window manager know of windows, read over a
    connection of the test's own: a window's hints, where the windows stand in
    the stacking order, which one has the keyboard. Create it before the
    window: it makes the server know the hint names, as any window manager
    that has run on it does, and a JUCE window writes its hints only under
    names the server knows. Windows are named by their X ids from windowOf().
    One thread at a time may use a view; it need not be the one that made it. */
class WindowManagerView
{
public:
    /** Connects to the named display, or to DISPLAY's when none is named. */
    explicit WindowManagerView (const juce::String& displayName = {});
    ~WindowManagerView();

    bool isOpen() const noexcept     { return display != nullptr; }

    /** The actions the window allows (_NET_WM_ALLOWED_ACTIONS), by atom name. */
    juce::StringArray allowedActions (const juce::Component& window) const;

    /** The Motif hints' functions and decorations; both -1 while the window has none. */
    std::pair<long, long> motifFunctionsAndDecorations (const juce::Component& window) const;

    /** The X window of a window on the desktop, 0 when it has none. Message thread. */
    static unsigned long windowOf (const juce::Component& window);

    /** The windows in the order they are stacked on the screen, the bottom one
        first; a framed window stands where its window manager's frame does. */
    std::vector<unsigned long> inStackingOrder (std::vector<unsigned long> windows) const;

    /** The window that has the keyboard focus. */
    unsigned long focusedWindow() const;

    /** True when the windows stand in this order on the screen, the bottom one
        first, and the last one has the keyboard focus. */
    bool stackedInOrderWithTheTopFocused (const std::vector<unsigned long>& windows) const
    {
        return inStackingOrder (windows) == windows && focusedWindow() == windows.back();
    }

    /** The window's area on the screen. */
    juce::Rectangle<int> screenBoundsOf (unsigned long window) const;

    /** A point of the window, in its own coordinates, that none of the other
        windows covers: near a corner, the right-hand ones first (the editor
        slides its side panel out when the mouse comes to its left edge). */
    juce::Point<int> uncoveredPointOf (unsigned long window, const std::vector<unsigned long>& others) const;

    /** The window manager's frame around the window, or the window itself when it has none. */
    unsigned long frameOf (unsigned long window) const;

    /** A point of the window's title bar, in its frame's coordinates, that
        none of the other windows' frames covers, or nullopt when the window
        has no title bar or it is covered. Successive choices (0, 1, ...) give
        points far apart, so that two clicks in a row make no double click. */
    std::optional<juce::Point<int>> titleBarPointOf (unsigned long window, const std::vector<unsigned long>& others,
                                                     int choice) const;

    /** Returns true once the window manager has handled every request that
        reached the server before the call; false when it does not answer. */
    bool windowManagerHasCaughtUp() const;

private:
    std::vector<long> items (const juce::Component& window, const char* propertyName) const;

    _XDisplay* display;

    /** A window that is never shown, whose frame sizes the window manager is asked for. */
    unsigned long probe = 0;

    JUCE_DECLARE_NON_COPYABLE (WindowManagerView)
};

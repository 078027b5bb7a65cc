#pragma once

#include <X11/Xlib.h>

/** The window that holds this one among the screen's windows: the window
    manager's frame around it, or the window itself when there is none (or
    when the server does not know the window). A round trip to the server per
    level; the thread that uses the display connection. */
::Window outermostWindowOf (::Display* display, ::Window window);

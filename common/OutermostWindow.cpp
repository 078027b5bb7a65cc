#include "common/OutermostWindow.h"

::Window outermostWindowOf (::Display* display, ::Window window)
{
    for (;;)
    {
        ::Window root = 0, parent = 0;
        ::Window* children = nullptr;
        unsigned int count = 0;

        if (XQueryTree (display, window, &root, &parent, &children, &count) == 0)
            return window;

        if (children != nullptr)
            XFree (children);

        if (parent == root || parent == 0)
            return window;

        window = parent;
    }
}

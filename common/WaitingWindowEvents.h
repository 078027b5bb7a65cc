#pragma once

/** Hands the program's windows every event that the window system holds for
    them now, and returns without waiting for more: also those that the X
    library has already read off the display's connection into a queue of its
    own. JUCE's message loop looks only at the connection, so an event read
    into that queue by some other call to the server (a window's title set, a
    sync) would wait there until more arrives, a move of the mouse, say.

    Message thread only; does nothing while no display is open. */
void handOverWaitingWindowEvents();

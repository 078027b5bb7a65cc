#pragma once

/** Keeps every modal window of the program (our dialogs and choosers, JUCE's
    message boxes) in front of the windows it blocks, and with the keys, when
    the user clicks or focuses one of those (under a window manager, its title
    bar too), at any number of modal levels, with or without a window manager.

    Call on the message thread once the message loop exists (the application's
    start, a test program's main), before or after the display is opened; only
    the first call acts. */
void keepModalWindowsInFront();

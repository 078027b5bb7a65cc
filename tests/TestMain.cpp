#include "common/ModalWindowsInFront.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>
#include <X11/Xlib.h>

namespace
{
    // Without a window manager, Xvfb rejects some of the properties JUCE sets on
    // a new window; a program started the usual way has JUCE's own handler for
    // that, a test binary does not, and Xlib's default handler would exit.
    int ignoreXErrors (Display*, XErrorEvent*) { return 0; }
}

int main (int argc, char** argv)
{
    XSetErrorHandler (ignoreXErrors);
    ::testing::InitGoogleTest (&argc, argv);
    juce::ScopedJuceInitialiser_GUI juce;
    keepModalWindowsInFront();
    return RUN_ALL_TESTS();
}

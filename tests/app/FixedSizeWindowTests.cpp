#include <gtest/gtest.h>

#include "app/DemoRunnerApplication.h"
#include "app/MainAppWindow.h"
#include "editor/EditorState.h"
#include "support/DispatchUntil.h"
#include "support/SimulatedMidiPorts.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace
{
    /** The window's hints as a window manager reads them from the X server, over
        a connection of the test's own. */
    class WindowManagerView
    {
    public:
        WindowManagerView()
            : display (XOpenDisplay (nullptr))
        {
            // A program writes these hints only where the server knows their
            // names, as it does once any window manager has run on it.
            if (display != nullptr)
                for (auto* name : { "_MOTIF_WM_HINTS", "_NET_WM_ALLOWED_ACTIONS", "_NET_WM_ACTION_RESIZE",
                                    "_NET_WM_ACTION_FULLSCREEN", "_NET_WM_ACTION_MINIMIZE", "_NET_WM_ACTION_CLOSE" })
                    XInternAtom (display, name, False);
        }

        ~WindowManagerView()
        {
            if (display != nullptr)
                XCloseDisplay (display);
        }

        bool isOpen() const noexcept    { return display != nullptr; }

        /** A property of 32-bit items; empty when the window has none. */
        std::vector<long> items (Window window, const char* propertyName) const
        {
            Atom type = None;
            int format = 0;
            unsigned long count = 0, remaining = 0;
            unsigned char* data = nullptr;
            std::vector<long> result;

            if (XGetWindowProperty (display, window, XInternAtom (display, propertyName, False), 0, 64, False,
                                    AnyPropertyType, &type, &format, &count, &remaining, &data) == Success
                 && data != nullptr)
            {
                if (format == 32)
                    result.assign ((long*) data, (long*) data + count);

                XFree (data);
            }

            return result;
        }

        juce::StringArray atomNames (Window window, const char* propertyName) const
        {
            juce::StringArray names;

            for (auto atom : items (window, propertyName))
            {
                auto* name = XGetAtomName (display, (Atom) atom);
                names.add (name);
                XFree (name);
            }

            return names;
        }

    private:
        Display* display;
    };
}

TEST (FixedSizeWindow, OffersTheWindowManagerNeitherMaximisingNorResizing)
{
    WindowManagerView windowManager;
    ASSERT_TRUE (windowManager.isOpen());

    sim::SimulatedMidiPorts ports;
    NsDravel::resetProcessState();
    DemoRunnerApplication app;
    app.initialise ({});
    auto* window = app.getMainWindow();
    ASSERT_NE (window, nullptr);
    const auto id = (Window) (juce::pointer_sized_uint) window->getWindowHandle();

    ASSERT_TRUE (testsupport::dispatchUntil ([&] { return ! windowManager.items (id, "_MOTIF_WM_HINTS").empty(); }));

    const auto actions = windowManager.atomNames (id, "_NET_WM_ALLOWED_ACTIONS");
    EXPECT_TRUE (actions.contains ("_NET_WM_ACTION_MINIMIZE") && actions.contains ("_NET_WM_ACTION_CLOSE")) << actions.joinIntoString (" ");
    EXPECT_FALSE (actions.contains ("_NET_WM_ACTION_FULLSCREEN") || actions.contains ("_NET_WM_ACTION_RESIZE")) << actions.joinIntoString (" ");

    const auto motif = windowManager.items (id, "_MOTIF_WM_HINTS");   // flags, functions, decorations, ...
    ASSERT_GE (motif.size(), 3u);
    EXPECT_EQ (motif[1] & (0x10 | 0x02), 0) << "functions: no maximise, no resize";
    EXPECT_EQ (motif[2] & (0x40 | 0x04), 0) << "decorations: no maximise button, no resize handles";

    app.shutdown();
}

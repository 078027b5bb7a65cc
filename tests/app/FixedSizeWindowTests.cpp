#include <gtest/gtest.h>

#include "app/DemoRunnerApplication.h"
#include "app/MainAppWindow.h"
#include "editor/EditorState.h"
#include "support/DispatchUntil.h"
#include "support/SimulatedMidiPorts.h"
#include "support/WindowManagerView.h"

// The editor has one size: a window manager must not be offered to maximise or
// resize the window, or it shows the editor in a corner of an unpainted window.
TEST (FixedSizeWindow, OffersTheWindowManagerNeitherMaximisingNorResizing)
{
    WindowManagerView windowManager;
    ASSERT_TRUE (windowManager.isOpen());
    sim::SimulatedMidiPorts ports;
    NsDravel::resetProcessState();
    DemoRunnerApplication app;
    app.initialise ({});
    auto& window = *app.getMainWindow();

    ASSERT_TRUE (testsupport::dispatchUntil ([&] { return windowManager.motifFunctionsAndDecorations (window).first >= 0; }));
    const auto [functions, decorations] = windowManager.motifFunctionsAndDecorations (window);
    EXPECT_EQ (functions & (0x10 | 0x02), 0) << "no maximise, no resize";
    EXPECT_EQ (decorations & (0x40 | 0x04), 0) << "no maximise button, no resize handles";

    const auto actions = windowManager.allowedActions (window);
    EXPECT_EQ (actions, juce::StringArray ("_NET_WM_ACTION_MINIMIZE", "_NET_WM_ACTION_CLOSE"));
    app.shutdown();
}

#pragma once

#include "app/DemoRunnerApplication.h"
#include "app/MainAppWindow.h"
#include "editor/EditorState.h"
#include "support/SimulatedUnit.h"
#include "support/SimulatedMidiPorts.h"

#include <utility>

namespace sim
{

/** The whole program inside the test's process: the application object with
    the real editor, on simulated MIDI ports that record pauses instead of
    waiting them, with a keyboard plugged in (a Dravel 49 with Windows-style
    port names, unless the test gives other options). start() begins from a fresh
    process state, as a new program would; the application is shut down when
    the object goes, unless the test did that itself. Message thread. */
class RunningApplication
{
public:
    RunningApplication() = default;

    /** With a keyboard of these options (its model, port names, timings). */
    explicit RunningApplication (SimulatedKeyboard::Options keyboardOptions)
        : keyboard (ports, std::move (keyboardOptions))
    {
    }
    ~RunningApplication()   { shutdown(); }

    /** Starts the application as the program's start does. */
    void start()
    {
        NsDravel::resetProcessState();
        app.initialise ({});
        started = true;
    }

    /** Ends the application as the program's end does; only the first call acts. */
    void shutdown()
    {
        if (std::exchange (started, false))
            app.shutdown();
    }

    /** The main window; only while the application runs and kept one. */
    DemoRunnerApplication::MainAppWindow& window() const   { return *app.getMainWindow(); }

    SimulatedMidiPorts ports;
    SimulatedKeyboard keyboard { ports };
    DemoRunnerApplication app;

private:
    bool started = false;

    JUCE_DECLARE_NON_COPYABLE (RunningApplication)
};

} // namespace sim

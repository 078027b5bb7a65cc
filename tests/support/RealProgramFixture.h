#pragma once

#include "support/DesktopWindows.h"
#include "support/TempFolder.h"
#include "support/TestPaths.h"
#include "support/TestProcess.h"

#include <gtest/gtest.h>

/** For tests that start the real program: each test gets its own display and
    its own runtime and home folder, so that it neither meets nor disturbs any
    other running copy. */
class RealProgramFixture : public ::testing::Test
{
protected:
    void SetUp() override   { ASSERT_TRUE (display.getName().isNotEmpty()); }

    /** Starts the program with this test's display and user folders. */
    bool start (TestProcess& process) const     { return start (process, own(), own()); }

    /** Starts the program with this test's display and the given folders (an
        empty runtime folder counts as none). */
    bool start (TestProcess& process, const juce::String& runtimeFolder, const juce::String& home) const
    {
        juce::StringPairArray environment;
        environment.set ("DISPLAY", display.getName());
        environment.set ("XDG_RUNTIME_DIR", runtimeFolder);
        environment.set ("HOME", home);
        return process.start ({ testpaths::programFile().getFullPathName() }, environment);
    }

    /** The process's visible windows whose title matches; the editor adds its
        version and connection state to the main window's title. */
    juce::StringArray windowsOf (TestProcess& process, const juce::String& title = "Dravel Tavlo.*") const
    {
        return display.findVisibleWindows (process.getProcessId(), title);
    }

    /** Waits until the process shows its one main window. */
    bool showsOneWindow (TestProcess& process) const
    {
        return eventually ([&] { return windowsOf (process).size() == 1; });
    }

    juce::String own() const    { return userFolder.get().getFullPathName(); }

    TempFolder userFolder;
    PrivateDisplay display;
};

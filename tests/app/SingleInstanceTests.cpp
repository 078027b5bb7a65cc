#include <gtest/gtest.h>

#include "app/SingleInstanceHandOff.h"
#include "support/DesktopWindows.h"
#include "support/TempFolder.h"
#include "support/TestPaths.h"
#include "support/TestProcess.h"

// These tests start the real program. Each gets its own display, runtime and
// home folder, so it neither meets nor disturbs any other running copy.

namespace
{
    struct RealProgram : public ::testing::Test
    {
        TempFolder userFolder;
        PrivateDisplay display;

        void SetUp() override
        {
            ASSERT_TRUE (display.getName().isNotEmpty());
        }

        /** Starts the program with this test's display and user folders. */
        bool start (TestProcess& process) const
        {
            juce::StringPairArray env;
            env.set ("DISPLAY", display.getName());
            env.set ("XDG_RUNTIME_DIR", userFolder.get().getFullPathName());
            env.set ("HOME", userFolder.get().getFullPathName());
            return process.start ({ testpaths::programFile().getFullPathName() }, env);
        }

        juce::StringArray windowsOf (TestProcess& process) const
        {
            // The editor adds its version and connection state to the title.
            return display.findVisibleWindows (process.getProcessId(), "Dravel Tavlo.*");
        }

        bool showsOneWindow (TestProcess& process)
        {
            return eventually ([&] { return windowsOf (process).size() == 1; });
        }
    };
}

TEST_F (RealProgram, OpensOneWindowTitledDravelTavloAndEndsCleanlyOnCtrlQ)
{
    TestProcess tavlo;
    ASSERT_TRUE (start (tavlo));
    ASSERT_TRUE (showsOneWindow (tavlo));

    display.typeKeysInto (windowsOf (tavlo)[0], "ctrl+q");

    EXPECT_EQ (tavlo.waitForExit (20000), 0);
}

TEST_F (RealProgram, SecondStartEndsAndLeavesTheFirstWithItsOneWindow)
{
    TestProcess first, second;
    ASSERT_TRUE (start (first));
    ASSERT_TRUE (showsOneWindow (first));

    ASSERT_TRUE (start (second));

    // Exit code 0 means the running instance confirmed that it showed its window.
    EXPECT_EQ (second.waitForExit (20000), 0);
    EXPECT_TRUE (first.isRunning());
    EXPECT_EQ (windowsOf (first).size(), 1);
}

TEST_F (RealProgram, SecondStartFailsWhenTheRunningInstanceNeverAnswers)
{
    SingleInstanceHandOff silent (userFolder.get(), "Dravel Tavlo");
    ASSERT_EQ (silent.claimOrHandOff ({}), SingleInstanceHandOff::Outcome::firstInstance);

    TestProcess second;
    ASSERT_TRUE (start (second));

    EXPECT_EQ (second.waitForExit (30000), 1);
}

TEST_F (RealProgram, StartsNormallyAfterTheRunningInstanceWasKilled)
{
    TestProcess crashed, next;
    ASSERT_TRUE (start (crashed));
    ASSERT_TRUE (showsOneWindow (crashed));
    crashed.kill();

    ASSERT_TRUE (start (next));

    EXPECT_TRUE (showsOneWindow (next));
    EXPECT_TRUE (next.isRunning());
}

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

        juce::StringPairArray environment() const
        {
            juce::StringPairArray env;
            env.set ("DISPLAY", display.getName());
            env.set ("XDG_RUNTIME_DIR", userFolder.get().getFullPathName());
            env.set ("HOME", userFolder.get().getFullPathName());
            return env;
        }

        bool start (TestProcess& process, const juce::StringArray& arguments = {})
        {
            auto args = arguments;
            args.insert (0, testpaths::programFile().getFullPathName());
            return process.start (args, environment());
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

        /** Runs this process's message loop until the program has ended; its exit code. */
        static int pumpUntilExit (TestProcess& process)
        {
            for (int i = 0; i < 300 && process.isRunning(); ++i)
                juce::MessageManager::getInstance()->runDispatchLoopUntil (50);

            return process.waitForExit (0);
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

TEST_F (RealProgram, SecondStartHandsItsCommandLineToTheRunningInstance)
{
    SingleInstanceHandOff running (userFolder.get(), "Dravel Tavlo");
    ASSERT_EQ (running.claimOrHandOff ({}), SingleInstanceHandOff::Outcome::firstInstance);

    juce::StringArray received;
    running.startListening ([&] (const juce::String& commandLine) { received.add (commandLine); });

    TestProcess second;
    ASSERT_TRUE (start (second, { "--open", "my mapping.tavlo" }));

    EXPECT_EQ (pumpUntilExit (second), 0);
    EXPECT_EQ (received, juce::StringArray ({ "--open \"my mapping.tavlo\"" }));
    EXPECT_TRUE (windowsOf (second).isEmpty());
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

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/ChildProcessMode.h"
#include "support/DesktopWindows.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"
#include "support/TestPaths.h"
#include "support/TestProcess.h"

namespace
{
    /** Keeps what the started program sends; it arrives on the connection thread. */
    struct RecordingCoordinator  : public juce::ChildProcessCoordinator
    {
        void handleMessageFromWorker (const juce::MemoryBlock& block) override
        {
            const juce::ScopedLock sl (lock);
            received.add (juce::ValueTree::readFromData (block.getData(), block.getSize()));
        }

        juce::Array<juce::ValueTree> waitForMessages (int count)
        {
            eventually ([&] { const juce::ScopedLock sl (lock); return received.size() >= count; });
            const juce::ScopedLock sl (lock);
            return received;
        }

        juce::CriticalSection lock;
        juce::Array<juce::ValueTree> received;
    };

    /** The coordinator does not tell the pid: it is our child with the child-process argument. */
    pid_t findWorkerPid()
    {
        juce::ChildProcess pgrep;

        if (! pgrep.start ({ "pgrep", "-P", juce::String ((int) getpid()), "-f", "--", "--demoUID:" }))
            return 0;

        return (pid_t) pgrep.readAllProcessOutput().getIntValue();
    }
}

TEST (ChildProcessMode, StartedAsChildTheProgramGreetsAnswersCountsAndEndsWhenTheCoordinatorLeaves)
{
    // The child inherits its own display and user folders, so that its windows
    // (there should be none) and its single-instance lock meet no other test.
    PrivateDisplay display;
    ASSERT_TRUE (display.getName().isNotEmpty());
    TempFolder userFolder;
    ScopedEnvironment environment ("DISPLAY", display.getName());
    environment.set ("HOME", userFolder.get().getFullPathName());
    environment.set ("XDG_RUNTIME_DIR", userFolder.get().getFullPathName());

    RecordingCoordinator coordinator;
    ASSERT_TRUE (coordinator.launchWorkerProcess (testpaths::programFile(), "demoUID", 0, 0));

    auto greeting = coordinator.waitForMessages (1);
    ASSERT_EQ (greeting.size(), 1);
    EXPECT_TRUE (greeting[0].hasType ("HelloWorld"));
    EXPECT_EQ (greeting[0].getNumProperties(), 0);

    const auto pid = findWorkerPid();
    ASSERT_GT (pid, 0);
    EXPECT_TRUE (display.findVisibleWindows ((int) pid, ".*").isEmpty());

    auto request = [] (int count) { return serialiseTreeToBlock (juce::ValueTree ("REQUEST", { { "count", count } })); };
    coordinator.sendMessageToWorker (request (41));
    coordinator.sendMessageToWorker (juce::MemoryBlock ("not a tree", 10));
    coordinator.sendMessageToWorker (request (7));

    auto all = coordinator.waitForMessages (4);
    ASSERT_EQ (all.size(), 4);
    EXPECT_TRUE (all[1].hasType ("REPLY"));
    EXPECT_EQ ((int) all[1]["countPlusOne"], 42);
    EXPECT_EQ ((int) all[2]["countPlusOne"], 1) << "a request that is no tree counts as 0";
    EXPECT_EQ ((int) all[3]["countPlusOne"], 8);

    coordinator.killWorkerProcess();

    int status = -1;
    EXPECT_TRUE (eventually ([&] { return waitpid (pid, &status, WNOHANG) == pid; }));
    EXPECT_TRUE (WIFEXITED (status) && WEXITSTATUS (status) == 0);
}

TEST (ChildProcessMode, OtherCommandLinesStartNormally)
{
    EXPECT_FALSE (startChildProcessMode (""));
    EXPECT_FALSE (startChildProcessMode ("--otherUID:pipe"));
    EXPECT_FALSE (startChildProcessMode ("mapping.tavlo"));
}

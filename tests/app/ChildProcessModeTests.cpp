#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

#include "app/ChildProcessMode.h"
#include "support/DesktopWindows.h"
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
        for (const auto& entry : std::filesystem::directory_iterator ("/proc"))
        {
            const auto pid = std::atoi (entry.path().filename().c_str());

            if (pid <= 0)
                continue;

            // The command name in "stat" is in brackets and may hold blanks, so the
            // fields are read after its closing bracket; processes may vanish meanwhile.
            std::ifstream stat (entry.path() / "stat"), cmdline (entry.path() / "cmdline");
            std::string line, arguments;

            if (! std::getline (stat, line))
                continue;

            const auto nameEnd = line.rfind (')');

            if (nameEnd == std::string::npos)
                continue;

            char state = 0;
            int parent = 0;

            if (std::sscanf (line.c_str() + nameEnd + 1, " %c %d", &state, &parent) == 2
                 && parent == (int) getpid()
                 && std::getline (cmdline, arguments) && arguments.find ("--demoUID:") != std::string::npos)
                return (pid_t) pid;
        }

        return 0;
    }

    juce::MemoryBlock requestWithCount (int count)
    {
        return serialiseTreeToBlock (juce::ValueTree ("REQUEST", { { "count", count } }));
    }
}

TEST (ChildProcessMode, StartedAsChildTheProgramGreetsAnswersCountsAndEndsWhenTheCoordinatorLeaves)
{
    // The child inherits its own display and user folders, so that its windows
    // (there should be none) and its single-instance lock meet no other test.
    PrivateDisplay display;
    ASSERT_TRUE (display.getName().isNotEmpty());
    TempFolder userFolder;
    setenv ("DISPLAY", display.getName().toRawUTF8(), 1);
    setenv ("HOME", userFolder.get().getFullPathName().toRawUTF8(), 1);
    setenv ("XDG_RUNTIME_DIR", userFolder.get().getFullPathName().toRawUTF8(), 1);

    RecordingCoordinator coordinator;
    ASSERT_TRUE (coordinator.launchWorkerProcess (testpaths::programFile(), "demoUID", 0, 0));

    auto greeting = coordinator.waitForMessages (1);
    ASSERT_EQ (greeting.size(), 1);
    EXPECT_TRUE (greeting[0].hasType ("HelloWorld"));
    EXPECT_EQ (greeting[0].getNumProperties(), 0);

    const auto pid = findWorkerPid();
    ASSERT_GT (pid, 0);
    EXPECT_TRUE (display.findVisibleWindows ((int) pid, ".*").isEmpty());

    coordinator.sendMessageToWorker (requestWithCount (41));
    coordinator.sendMessageToWorker (juce::MemoryBlock ("not a tree", 10));
    coordinator.sendMessageToWorker (requestWithCount (7));

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

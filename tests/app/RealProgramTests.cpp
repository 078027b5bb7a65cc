#include "support/RealProgramFixture.h"

#include "app/ChildProcessMode.h"
#include "app/SingleInstanceHandOff.h"

#include <sys/wait.h>
#include <unistd.h>

// The real program, started as a process on a display of its own.

using RealProgram = RealProgramFixture;

TEST_F (RealProgram, KeepsOneCopyWhateverTheUsersFoldersHoldEndsCleanlyOnCtrlQAndStartsAfterAKilledCopy)
{
    // A home that cannot be written to: it lies under a plain file.
    const auto plainFile = userFolder.createFile ("plain-file");

    // Folders standing where the instance's socket and lock files were once kept.
    const auto cluttered = userFolder.createFolder ("cluttered");
    cluttered.getChildFile (".Dravel-Tavlo-instance.socket").createDirectory();
    cluttered.getChildFile (".Dravel-Tavlo-instance.lock").createDirectory();

    // Longer than any socket path may be.
    const auto deep = userFolder.createFolder (juce::String::repeatedString ("runtime-folder-", 10));
    const auto own = userFolder.get().getFullPathName();

    const struct { const char* what; juce::String runtimeFolder, home; } cases[] {
        { "the user's own folders",                   own, own },
        { "an unwritable home and no runtime folder", {}, plainFile.getChildFile ("home").getFullPathName() },
        { "folders where the instance files were",    cluttered.getFullPathName(), cluttered.getFullPathName() },
        { "a runtime folder with a very long path",   deep.getFullPathName(), own },
    };

    for (auto& folders : cases)
    {
        SCOPED_TRACE (folders.what);

        TestProcess first, second;
        ASSERT_TRUE (start (first, folders.runtimeFolder, folders.home));
        ASSERT_TRUE (showsOneWindow (first))
            << "exit code " << first.waitForExit (0) << ", windows " << windowsOf (first).size();

        ASSERT_TRUE (start (second, folders.runtimeFolder, folders.home));

        // Exit code 0 means the running instance confirmed that it showed its window.
        EXPECT_EQ (second.waitForExit (20000), 0);
        EXPECT_TRUE (first.isRunning());
        EXPECT_EQ (windowsOf (first).size(), 1);

        // A key typed while the hand-off moves the focus may land nowhere: type until the program ends.
        int exitCode = -1;
        display.typeUntil (windowsOf (first)[0], "ctrl+q", [&] { return (exitCode = first.waitForExit (0)) >= 0; });
        EXPECT_EQ (exitCode, 0);
    }

    // A copy that was killed leaves nothing in the way of the next.
    TestProcess killed, next;
    ASSERT_TRUE (start (killed));
    ASSERT_TRUE (showsOneWindow (killed));
    killed.kill();

    ASSERT_TRUE (start (next));
    EXPECT_TRUE (showsOneWindow (next));
    EXPECT_TRUE (next.isRunning());
}

TEST_F (RealProgram, SecondStartFailsWhenTheRunningInstanceNeverAnswers)
{
    SingleInstanceHandOff silent (userFolder.get(), "Dravel Tavlo");
    ASSERT_EQ (silent.claimOrHandOff ({}), SingleInstanceHandOff::Outcome::firstInstance);

    TestProcess second;
    ASSERT_TRUE (start (second));

    EXPECT_EQ (second.waitForExit (30000), 1);
}

namespace
{
    /** The byte that a process of another user gets back when it offers the
        instance with this process id a command line through the abstract local
        address it listens on: 0 when the connection is closed unanswered, -1
        when no such address or no connection. Needs root, to be that user. */
    int answerToAnotherUser (int processId)
    {
        // The address is that of the listening socket (flags 00010000) among the
        // process's open files whose path starts with "@"; /proc/net/unix lists
        // Num RefCount Protocol Flags Type St Inode Path. The instance may close
        // the connection before the sending is done.
        const char* const client = R"(
import os, socket, sys
folder = '/proc/' + sys.argv[1] + '/fd/'
files = {os.readlink(folder + f) for f in os.listdir(folder)}
rows = [row.split() for row in open('/proc/net/unix').read().splitlines()[1:]]
names = [r[7][1:] for r in rows
         if len(r) > 7 and r[3] == '00010000' and r[7][0] == '@' and 'socket:[' + r[6] + ']' in files]
os.setgid(65534)
os.setuid(65534)
s = socket.socket(socket.AF_UNIX)
s.settimeout(20)
s.connect('\0' + names[0])
try:
    s.sendall(b'--from-another-user')
    s.shutdown(socket.SHUT_WR)
    reply = s.recv(1)
except ConnectionError:
    reply = b''
sys.exit(reply[0] if reply else 0)
)";
        TestProcess python;

        if (! python.start ({ "/usr/bin/python3", "-c", client, juce::String (processId) }))
            return -1;

        // Python ends with 1 on an error of its own: no address, no connection.
        const auto code = python.waitForExit (30000);
        return code == 1 ? -1 : code;
    }
}

TEST_F (RealProgram, TakesNoHandOffFromAnotherUser)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can act as another user";

    TestProcess tavlo, second;
    ASSERT_TRUE (start (tavlo));
    ASSERT_TRUE (showsOneWindow (tavlo));

    EXPECT_EQ (answerToAnotherUser (tavlo.getProcessId()), 0);

    // Its own user's starts are still taken.
    ASSERT_TRUE (start (second));
    EXPECT_EQ (second.waitForExit (20000), 0);
}

// The editor's hidden keys must reach it from the window as the user types them.
TEST_F (RealProgram, F1TypedIntoTheWindowOpensTheAboutWindow)
{
    TestProcess tavlo;
    ASSERT_TRUE (start (tavlo));
    ASSERT_TRUE (showsOneWindow (tavlo));
    EXPECT_TRUE (windowsOf (tavlo, "About This Tavlo").isEmpty());

    // The focus settles on the editor a moment after the window is focused.
    const auto aboutShown = [&] { return windowsOf (tavlo, "About This Tavlo").size() > 0; };
    EXPECT_TRUE (display.typeUntil (windowsOf (tavlo)[0], "F1", aboutShown));
}

//==============================================================================
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
        TestProcess pgrep;

        const juce::StringArray command { "/usr/bin/pgrep", "-P", juce::String ((int) getpid()),
                                          "-f", "--", "--demoUID:" };

        if (! pgrep.start (command, {}, {}, true))
            return 0;

        return (pid_t) pgrep.readOutput().getIntValue();
    }
}

using ChildProcessMode = RealProgramFixture;

TEST_F (ChildProcessMode, StartedAsChildTheProgramGreetsAnswersCountsAndEndsWhenTheCoordinatorLeaves)
{
    // The child inherits the test's display and user folders, so that its windows
    // (there should be none) and its single-instance lock meet no other test.
    ScopedEnvironment environment ("DISPLAY", display.getName());
    environment.set ("HOME", own());
    environment.set ("XDG_RUNTIME_DIR", own());

    RecordingCoordinator coordinator;
    ASSERT_TRUE (coordinator.launchWorkerProcess (testpaths::programFile(), "demoUID", 0, 0));

    // One greeting and nothing else; it carries no properties.
    const auto greeting = coordinator.waitForMessages (1);
    ASSERT_EQ (greeting.size(), 1);
    EXPECT_TRUE (greeting[0].hasType ("HelloWorld"));
    EXPECT_EQ (greeting[0].getNumProperties(), 0);

    const auto pid = findWorkerPid();
    ASSERT_GT (pid, 0);
    EXPECT_TRUE (display.findVisibleWindows ((int) pid, ".*").isEmpty());

    auto request = [] (int count)
    {
        return serialiseTreeToBlock (juce::ValueTree ("REQUEST", { { "count", count } }));
    };

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

TEST_F (ChildProcessMode, OtherCommandLinesStartNormally)
{
    EXPECT_FALSE (startChildProcessMode (""));
    EXPECT_FALSE (startChildProcessMode ("--otherUID:pipe"));
    EXPECT_FALSE (startChildProcessMode ("mapping.tavlo"));
}

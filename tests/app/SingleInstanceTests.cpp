#include <gtest/gtest.h>

#include "app/SingleInstanceHandOff.h"
#include "support/DesktopWindows.h"
#include "support/TempFolder.h"
#include "support/TestPaths.h"
#include "support/TestProcess.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

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
            return start (process, userFolder.get().getFullPathName(), userFolder.get().getFullPathName());
        }

        /** Starts the program with this test's display and the given folders
            (an empty runtime folder counts as none). */
        bool start (TestProcess& process, const juce::String& runtimeFolder, const juce::String& home) const
        {
            juce::StringPairArray env;
            env.set ("DISPLAY", display.getName());
            env.set ("XDG_RUNTIME_DIR", runtimeFolder);
            env.set ("HOME", home);
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

TEST_F (RealProgram, KeepsOneCopyWhateverTheUsersFoldersHold)
{
    struct Folders
    {
        const char* what;
        juce::String runtimeFolder, home;
    };

    // A home that cannot be written to: it lies under a plain file.
    const auto plainFile = userFolder.createFile ("plain-file");

    // Folders standing where the instance's socket and lock files were once kept.
    const auto cluttered = userFolder.createFolder ("cluttered");
    cluttered.getChildFile (".Dravel-Tavlo-instance.socket").createDirectory();
    cluttered.getChildFile (".Dravel-Tavlo-instance.lock").createDirectory();

    // Longer than any socket path may be.
    const auto deep = userFolder.createFolder (juce::String::repeatedString ("runtime-folder-", 10));

    const Folders cases[] {
        { "an unwritable home and no runtime folder", {}, plainFile.getChildFile ("home").getFullPathName() },
        { "folders where the instance files were",    cluttered.getFullPathName(), cluttered.getFullPathName() },
        { "a runtime folder with a very long path",   deep.getFullPathName(), userFolder.get().getFullPathName() },
    };

    for (auto& folders : cases)
    {
        SCOPED_TRACE (folders.what);

        TestProcess first, second;
        ASSERT_TRUE (start (first, folders.runtimeFolder, folders.home));
        ASSERT_TRUE (showsOneWindow (first));

        ASSERT_TRUE (start (second, folders.runtimeFolder, folders.home));

        // Exit code 0 means the running instance confirmed that it showed its window.
        EXPECT_EQ (second.waitForExit (20000), 0);
        EXPECT_TRUE (first.isRunning());
        EXPECT_EQ (windowsOf (first).size(), 1);

        first.kill();
    }
}

namespace
{
    /** The abstract local socket addresses (without the leading zero byte) that
        a process listens on, as the system lists them. */
    juce::StringArray abstractAddressesListenedOnBy (int processId)
    {
        juce::StringArray socketInodes;

        for (const auto& entry : juce::RangedDirectoryIterator (juce::File ("/proc/" + juce::String (processId) + "/fd"),
                                                                  false, "*", juce::File::findFilesAndDirectories))
        {
            // Each entry is a link to "socket:[inode]" for a socket.
            char target[256] {};

            if (::readlink (entry.getFile().getFullPathName().toRawUTF8(), target, sizeof (target) - 1) > 0)
                if (const juce::String link (target); link.startsWith ("socket:["))
                    socketInodes.add (link.fromFirstOccurrenceOf ("[", false, false).upToFirstOccurrenceOf ("]", false, false));
        }

        // Columns: Num RefCount Protocol Flags Type St Inode Path; flags 00010000 mark a listening socket.
        juce::StringArray addresses;

        for (const auto& line : juce::StringArray::fromLines (juce::File ("/proc/net/unix").loadFileAsString()))
        {
            const auto columns = juce::StringArray::fromTokens (line, " ", {});

            if (columns.size() >= 8 && columns[3] == "00010000" && socketInodes.contains (columns[6]) && columns[7].startsWith ("@"))
                addresses.add (columns[7].substring (1));
        }

        return addresses;
    }

    /** What another user's process gets from an instance when it offers it a
        command line: 'k' for a confirmed hand-off, 0 for a closed connection,
        -1 when it could not connect or waited in vain. Needs root, to become
        that other user. */
    int answerToAnotherUser (const juce::String& address)
    {
        const auto name = address.toStdString();
        const auto child = ::fork();

        if (child == 0)
        {
            // Only system calls from here on: this is a copy of a threaded process.
            if (::setgid (65534) != 0 || ::setuid (65534) != 0)
                ::_exit (255);

            sockaddr_un target {};
            target.sun_family = AF_UNIX;
            std::memcpy (target.sun_path + 1, name.data(), name.size());
            const auto size = (socklen_t) (offsetof (sockaddr_un, sun_path) + 1 + name.size());
            const auto fd = ::socket (AF_UNIX, SOCK_STREAM, 0);

            if (fd < 0 || ::connect (fd, reinterpret_cast<const sockaddr*> (&target), size) != 0)
                ::_exit (254);

            // The instance may close the connection before the sending is done;
            // then the sending fails, and the answer is the closed connection.
            const char commandLine[] = "--from-another-user";
            char reply = 0;
            pollfd answer { fd, POLLIN, 0 };
            ::send (fd, commandLine, sizeof (commandLine) - 1, MSG_NOSIGNAL);
            ::shutdown (fd, SHUT_WR);

            if (::poll (&answer, 1, 20000) != 1)
                ::_exit (254);

            ::_exit (::recv (fd, &reply, 1, 0) == 1 ? (unsigned char) reply : 0);
        }

        int status = 0;

        if (child < 0 || ::waitpid (child, &status, 0) != child || ! WIFEXITED (status))
            return -1;

        return WEXITSTATUS (status) >= 254 ? -1 : WEXITSTATUS (status);
    }
}

TEST_F (RealProgram, TakesNoHandOffFromAnotherUser)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can act as another user";

    TestProcess tavlo;
    ASSERT_TRUE (start (tavlo));
    ASSERT_TRUE (showsOneWindow (tavlo));

    const auto addresses = abstractAddressesListenedOnBy (tavlo.getProcessId());
    ASSERT_EQ (addresses.size(), 1) << addresses.joinIntoString (", ");

    EXPECT_EQ (answerToAnotherUser (addresses[0]), 0);
    EXPECT_TRUE (tavlo.isRunning());

    // Its own user's starts are still taken.
    TestProcess second;
    ASSERT_TRUE (start (second));
    EXPECT_EQ (second.waitForExit (20000), 0);
}

#include <gtest/gtest.h>

#include "app/SingleInstanceHandOff.h"
#include "support/RealProgramFixture.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using RealProgram = RealProgramFixture;

TEST_F (RealProgram, KeepsOneCopyWhateverTheUsersFoldersHoldAndEndsCleanlyOnCtrlQ)
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
    const auto own = userFolder.get().getFullPathName();

    const Folders cases[] {
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
        ASSERT_TRUE (showsOneWindow (first)) << "exit code " << first.waitForExit (0) << ", windows " << windowsOf (first).size();

        ASSERT_TRUE (start (second, folders.runtimeFolder, folders.home));

        // Exit code 0 means the running instance confirmed that it showed its window.
        EXPECT_EQ (second.waitForExit (20000), 0);
        EXPECT_TRUE (first.isRunning());
        EXPECT_EQ (windowsOf (first).size(), 1);

        // A key typed while the hand-off moves the focus may land nowhere: type until the program ends.
        const auto window = windowsOf (first)[0];
        int exitCode = -1;
        eventually ([&] { display.typeKeysInto (window, "ctrl+q"); return (exitCode = first.waitForExit (1000)) >= 0; }, 20, 0);
        EXPECT_EQ (exitCode, 0);
    }
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

namespace
{
    /** The byte that a process of another user gets back when it offers the
        instance with this process id a command line through the abstract local
        address it listens on: 0 when the connection is closed unanswered, -1
        when no such address or no connection. Needs root, to be that user. */
    int answerToAnotherUser (int processId)
    {
        // The address is that of the listening socket ("00010000") among the
        // process's open files whose path starts with "@"; /proc/net/unix lists
        // Num RefCount Protocol Flags Type St Inode Path.
        juce::StringArray openFiles;
        std::string address;

        for (const auto& entry : juce::RangedDirectoryIterator (juce::File ("/proc/" + juce::String (processId) + "/fd"),
                                                                  false, "*", juce::File::findFilesAndDirectories))
        {
            char target[64] {};

            if (::readlink (entry.getFile().getFullPathName().toRawUTF8(), target, sizeof (target) - 1) > 0)
                openFiles.add (target);
        }

        for (const auto& line : juce::StringArray::fromLines (juce::File ("/proc/net/unix").loadFileAsString()))
        {
            const auto columns = juce::StringArray::fromTokens (line, " ", {});

            if (columns[3] == "00010000" && columns[7].startsWith ("@") && openFiles.contains ("socket:[" + columns[6] + "]"))
                address = columns[7].substring (1).toStdString();
        }

        if (address.empty())
            return -1;

        const auto child = ::fork();

        if (child == 0)
        {
            // Only system calls from here on: this is a copy of a threaded process.
            sockaddr_un target {};
            target.sun_family = AF_UNIX;
            std::memcpy (target.sun_path + 1, address.data(), address.size());
            const auto size = (socklen_t) (offsetof (sockaddr_un, sun_path) + 1 + address.size());
            const auto fd = ::socket (AF_UNIX, SOCK_STREAM, 0);

            if (::setgid (65534) != 0 || ::setuid (65534) != 0
                 || ::connect (fd, reinterpret_cast<const sockaddr*> (&target), size) != 0)
                ::_exit (255);

            // The instance may close the connection before the sending is done.
            const char commandLine[] = "--from-another-user";
            ::send (fd, commandLine, sizeof (commandLine) - 1, MSG_NOSIGNAL);
            ::shutdown (fd, SHUT_WR);

            char reply = 0;
            pollfd answer { fd, POLLIN, 0 };
            ::_exit (::poll (&answer, 1, 20000) != 1 ? 255 : ::recv (fd, &reply, 1, 0) == 1 ? (unsigned char) reply : 0);
        }

        int status = 0;
        const auto ended = child > 0 && ::waitpid (child, &status, 0) == child && WIFEXITED (status);
        return ! ended || WEXITSTATUS (status) == 255 ? -1 : WEXITSTATUS (status);
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

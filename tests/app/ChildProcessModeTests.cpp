#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/ChildProcessMode.h"
#include "support/TempFolder.h"
#include "support/TestPaths.h"

namespace
{
    /** Collects what the started program sends back; the worker's messages
        arrive on the connection thread. */
    struct RecordingCoordinator  : public juce::ChildProcessCoordinator
    {
        void handleMessageFromWorker (const juce::MemoryBlock& block) override
        {
            const juce::ScopedLock sl (lock);
            received.add (juce::ValueTree::readFromData (block.getData(), block.getSize()));
            arrived.signal();
        }

        /** Waits until at least n messages are in, or gives up after a generous limit. */
        juce::Array<juce::ValueTree> waitForMessages (int n)
        {
            for (int attempt = 0; attempt < 300 && numberReceived() < n; ++attempt)
                arrived.wait (100);

            const juce::ScopedLock sl (lock);
            return received;
        }

        int numberReceived()
        {
            const juce::ScopedLock sl (lock);
            return received.size();
        }

        juce::CriticalSection lock;
        juce::Array<juce::ValueTree> received;
        juce::WaitableEvent arrived;
    };

    /** Reads a file of /proc whole (their reported size is 0, so the usual file readers see nothing). */
    std::string readProcFile (const std::filesystem::path& file)
    {
        std::ifstream in (file, std::ios::binary);
        return { std::istreambuf_iterator<char> (in), std::istreambuf_iterator<char>() };
    }

    /** The started program is our child whose command line carries the
        child-process argument; the coordinator does not tell its pid. */
    pid_t findWorkerPid()
    {
        for (const auto& entry : std::filesystem::directory_iterator ("/proc"))
        {
            auto pid = std::atoi (entry.path().filename().c_str());

            if (pid <= 0)
                continue;

            auto stat = readProcFile (entry.path() / "stat");
            auto afterName = stat.substr (stat.rfind (')') + 1);  // " S <ppid> ..."
            char state = 0;
            int parent = 0;

            if (std::sscanf (afterName.c_str(), " %c %d", &state, &parent) == 2
                 && parent == (int) getpid()
                 && readProcFile (entry.path() / "cmdline").find ("--demoUID:") != std::string::npos)
                return (pid_t) pid;
        }

        return 0;
    }

    /** True when some top-level window on the display belongs to the process. */
    bool processHasWindow (pid_t pid)
    {
        auto* display = XOpenDisplay (nullptr);

        if (display == nullptr)
            return false;

        bool found = false;
        Window root, parent, *children = nullptr;
        unsigned int count = 0;
        auto pidAtom = XInternAtom (display, "_NET_WM_PID", True);

        if (pidAtom != None && XQueryTree (display, DefaultRootWindow (display), &root, &parent, &children, &count) != 0)
        {
            for (unsigned int i = 0; i < count && ! found; ++i)
            {
                Atom type;
                int format;
                unsigned long items, after;
                unsigned char* data = nullptr;

                if (XGetWindowProperty (display, children[i], pidAtom, 0, 1, False, XA_CARDINAL,
                                        &type, &format, &items, &after, &data) == Success && data != nullptr)
                {
                    found = items == 1 && (pid_t) *reinterpret_cast<unsigned long*> (data) == pid;
                    XFree (data);
                }
            }

            XFree (children);
        }

        XCloseDisplay (display);
        return found;
    }

    /** Waits for the child to end and reaps it; -1 when it is still running after a generous limit. */
    int waitForExit (pid_t pid)
    {
        for (int attempt = 0; attempt < 300; ++attempt)
        {
            int status = 0;

            if (waitpid (pid, &status, WNOHANG) == pid)
                return WIFEXITED (status) ? WEXITSTATUS (status) : 128;

            juce::Thread::sleep (100);
        }

        return -1;
    }

    juce::MemoryBlock requestWithCount (const juce::var& count)
    {
        juce::ValueTree request ("REQUEST");
        request.setProperty ("count", count, nullptr);
        return serialiseTreeToBlock (request);
    }

    /** Own runtime and home folders keep the child's single-instance lock away
        from other tests; the child inherits them from this process. */
    struct ScopedUserFolders
    {
        ScopedUserFolders()
        {
            for (auto* name : { "HOME", "XDG_RUNTIME_DIR" })
            {
                previous.set (name, juce::SystemStats::getEnvironmentVariable (name, "<unset>"));
                setenv (name, folder.get().getFullPathName().toRawUTF8(), 1);
            }
        }

        ~ScopedUserFolders()
        {
            for (auto& name : previous.getAllKeys())
            {
                if (previous[name] == "<unset>")
                    unsetenv (name.toRawUTF8());
                else
                    setenv (name.toRawUTF8(), previous[name].toRawUTF8(), 1);
            }
        }

        TempFolder folder;
        juce::StringPairArray previous;
    };
}

TEST (ChildProcessMode, ProgramStartedAsChildGreetsAnswersCountsAndEndsWhenTheCoordinatorLeaves)
{
    ScopedUserFolders userFolders;

    RecordingCoordinator coordinator;
    ASSERT_TRUE (coordinator.launchWorkerProcess (testpaths::programFile(), "demoUID", 0, 0));

    auto greeting = coordinator.waitForMessages (1);
    ASSERT_EQ (greeting.size(), 1);
    EXPECT_TRUE (greeting[0].hasType ("HelloWorld"));
    EXPECT_EQ (greeting[0].getNumProperties(), 0);

    auto pid = findWorkerPid();
    ASSERT_GT (pid, 0);
    EXPECT_FALSE (processHasWindow (pid));

    EXPECT_TRUE (coordinator.sendMessageToWorker (requestWithCount (41)));
    EXPECT_TRUE (coordinator.sendMessageToWorker (juce::MemoryBlock ("not a tree", 10)));
    EXPECT_TRUE (coordinator.sendMessageToWorker (requestWithCount (7)));

    auto all = coordinator.waitForMessages (4);
    ASSERT_EQ (all.size(), 4);

    EXPECT_TRUE (all[1].hasType ("REPLY"));
    EXPECT_EQ ((int) all[1]["countPlusOne"], 42);
    EXPECT_TRUE (all[2].hasType ("REPLY"));
    EXPECT_EQ ((int) all[2]["countPlusOne"], 1);
    EXPECT_EQ ((int) all[3]["countPlusOne"], 8);

    coordinator.killWorkerProcess();
    EXPECT_EQ (waitForExit (pid), 0);
}

TEST (ChildProcessMode, NormalCommandLineDoesNotEnterChildMode)
{
    EXPECT_FALSE (startChildProcessMode (""));
    EXPECT_FALSE (startChildProcessMode ("--otherUID:pipe"));
    EXPECT_FALSE (startChildProcessMode ("somefile.tavlo"));
}

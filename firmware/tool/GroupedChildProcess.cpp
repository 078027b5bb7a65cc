#include "firmware/tool/GroupedChildProcess.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace halvik
{
    namespace
    {
        // A killed program that still has not died is left to itself after this.
        constexpr int reapLimitMs = 5000;
    }

    GroupedChildProcess::~GroupedChildProcess()
    {
        endGroup();

        if (outputPipe >= 0)
            ::close (outputPipe);
    }

    bool GroupedChildProcess::start (const juce::StringArray& arguments)
    {
        jassert (processId < 0 && outputPipe < 0);

        int pipeEnds[2] {};

        if (arguments.isEmpty() || ::pipe2 (pipeEnds, O_CLOEXEC) != 0)
            return false;

        std::vector<std::string> texts;
        std::vector<char*> argv;

        for (auto& argument : arguments)
            texts.push_back (argument.toStdString());

        for (auto& text : texts)
            argv.push_back (text.data());

        argv.push_back (nullptr);

        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init (&files);
        posix_spawn_file_actions_addopen (&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2 (&files, pipeEnds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen (&files, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        // The display connection, MIDI ports and sockets stay ours: nothing the
        // program leaves behind can hold them.
        posix_spawn_file_actions_addclosefrom_np (&files, STDERR_FILENO + 1);

        // A group of its own, named by its process id; signals as a fresh
        // program expects them, whatever this process blocks or ignores.
        sigset_t noSignals, defaultSignals;
        sigemptyset (&noSignals);
        sigemptyset (&defaultSignals);
        sigaddset (&defaultSignals, SIGPIPE);

        posix_spawnattr_t attributes;
        posix_spawnattr_init (&attributes);
        posix_spawnattr_setpgroup (&attributes, 0);
        posix_spawnattr_setsigmask (&attributes, &noSignals);
        posix_spawnattr_setsigdefault (&attributes, &defaultSignals);
        posix_spawnattr_setflags (&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

        const auto failed = ::posix_spawn (&processId, argv[0], &files, &attributes, argv.data(), environ);

        posix_spawnattr_destroy (&attributes);
        posix_spawn_file_actions_destroy (&files);
        ::close (pipeEnds[1]);

        if (failed != 0)
        {
            processId = -1;
            ::close (pipeEnds[0]);
            return false;
        }

        outputPipe = pipeEnds[0];
        return true;
    }

    int GroupedChildProcess::readOutput (char* buffer, int size, int waitMs)
    {
        if (outputPipe < 0)
            return 0;

        pollfd ready { outputPipe, POLLIN, 0 };
        const auto polled = ::poll (&ready, 1, waitMs);

        if (polled == 0 || (polled < 0 && errno == EINTR))
            return -1;

        for (;;)
        {
            const auto count = ::read (outputPipe, buffer, (size_t) size);

            if (count >= 0)
                return (int) count;

            if (errno != EINTR)
                return 0;
        }
    }

    int GroupedChildProcess::waitingOutputBytes() const
    {
        int waiting = 0;

        if (outputPipe < 0 || ::ioctl (outputPipe, FIONREAD, &waiting) != 0)
            return 0;

        return waiting;
    }

    bool GroupedChildProcess::hasExited()
    {
        if (processId < 0)
            return true;

        // WNOWAIT leaves it a zombie, which keeps its id, the group's name, taken.
        siginfo_t info {};

        if (::waitid (P_PID, (id_t) processId, &info, WEXITED | WNOHANG | WNOWAIT) != 0)
            return errno == ECHILD;

        return info.si_pid == processId;
    }

    void GroupedChildProcess::endGroup()
    {
        if (processId < 0)
            return;

        ::kill (-processId, SIGKILL);

        for (int waited = 0; waited < reapLimitMs; ++waited)
        {
            const auto reaped = ::waitpid (processId, nullptr, WNOHANG);

            if (reaped == processId || (reaped < 0 && errno == ECHILD))
                break;

            juce::Thread::sleep (1);
        }

        processId = -1;
    }
}

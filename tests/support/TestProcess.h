#pragma once

#include <juce_core/juce_core.h>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

/** A program started for a test with extra environment variables, whose process
    id, exit code and (when asked) output the test can see. Killed and reaped
    when the object goes.

    Started with posix_spawn, everything prepared before: the tests run several
    threads, and a forked child that allocates before its exec can deadlock on
    a lock another thread held at the fork (a sanitizer's allocator lock, say). */
class TestProcess
{
public:
    TestProcess() = default;
    ~TestProcess()  { kill(); }

    /** Starts the program with the arguments (the first is the program's full
        path) and the current environment plus the given NAME=value pairs; its
        standard error goes to errorFile when one is given, its standard output
        to readOutput() when captureOutput is set. */
    bool start (const juce::StringArray& arguments, const juce::StringPairArray& extraEnvironment = {},
                const juce::File& errorFile = {}, bool captureOutput = false)
    {
        std::vector<std::string> args, env;

        for (auto& a : arguments)
            args.push_back (a.toStdString());

        for (auto** e = environ; *e != nullptr; ++e)
            if (! extraEnvironment.containsKey (juce::String (*e).upToFirstOccurrenceOf ("=", false, false)))
                env.push_back (*e);

        for (auto& key : extraEnvironment.getAllKeys())
            env.push_back ((key + "=" + extraEnvironment[key]).toStdString());

        std::vector<char*> argv, envp;

        for (auto& a : args) argv.push_back (a.data());
        for (auto& e : env)  envp.push_back (e.data());

        argv.push_back (nullptr);
        envp.push_back (nullptr);

        // Close-on-exec, so that no other child started meanwhile holds the
        // pipe's write end and keeps a reader from ever seeing its end.
        int pipeEnds[2] { -1, -1 };
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init (&files);

        if (errorFile != juce::File())
            posix_spawn_file_actions_addopen (&files, 2, errorFile.getFullPathName().toRawUTF8(),
                                              O_WRONLY | O_CREAT | O_TRUNC, 0644);

        if (captureOutput && ::pipe2 (pipeEnds, O_CLOEXEC) == 0)
            posix_spawn_file_actions_adddup2 (&files, pipeEnds[1], 1);

        closeOutput();
        exitCode = -1;
        const auto started = (! captureOutput || pipeEnds[0] >= 0)
                              && posix_spawn (&pid, argv[0], &files, nullptr, argv.data(), envp.data()) == 0;
        posix_spawn_file_actions_destroy (&files);

        if (pipeEnds[1] >= 0)
            ::close (pipeEnds[1]);

        output = pipeEnds[0];
        return started;
    }

    /** What the process printed since the last read: up to the end of its
        output, or only up to the end of the next line. */
    juce::String readOutput (bool oneLine = false)
    {
        juce::MemoryOutputStream text;
        char c = 0;

        while (output >= 0 && ::read (output, &c, 1) == 1 && ! (oneLine && c == '\n'))
            text.writeByte (c);

        return text.toString();
    }

    /** What the process printed since the last read, as far as it has
        arrived: never waits for more. */
    juce::String readArrivedOutput()
    {
        juce::MemoryOutputStream text;
        char c = 0;
        pollfd ready { output, POLLIN, 0 };

        while (output >= 0 && ::poll (&ready, 1, 0) == 1 && (ready.revents & POLLIN) != 0
                && ::read (output, &c, 1) == 1)
            text.writeByte (c);

        return text.toString();
    }

    int getProcessId() const noexcept   { return pid; }
    bool isRunning()                    { return pid > 0 && waitForExit (0) < 0; }

    /** The exit code (128 + signal for a killed process), or -1 when the process
        has not ended within the time. */
    int waitForExit (int timeoutMs)
    {
        const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

        int status = 0;

        while (pid > 0 && waitpid (pid, &status, WNOHANG) != pid)
        {
            if (juce::Time::getMillisecondCounter() >= end)
                return -1;

            juce::Thread::sleep (2);
        }

        if (pid > 0)
            exitCode = WIFEXITED (status) ? WEXITSTATUS (status) : 128 + WTERMSIG (status);

        pid = -1;
        return exitCode;
    }

    void kill()
    {
        if (pid > 0)
        {
            ::kill (pid, SIGKILL);
            waitForExit (10000);
        }

        closeOutput();
    }

private:
    void closeOutput()
    {
        if (output >= 0)
            ::close (std::exchange (output, -1));
    }

    pid_t pid = -1;
    int exitCode = -1;
    int output = -1;

    JUCE_DECLARE_NON_COPYABLE (TestProcess)
};

/** Asks the test condition again and again, pausing between tries, until it
    holds or the attempts run out; true when it held. For things that happen
    in another process, which a test cannot drive. */
inline bool eventually (std::function<bool()> condition, int attempts = 150, int pauseMs = 100)
{
    for (int i = 0; i < attempts; ++i)
    {
        if (condition())
            return true;

        juce::Thread::sleep (pauseMs);
    }

    return condition();
}

#include "TestProcess.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

TestProcess::~TestProcess()
{
    kill();
}

bool TestProcess::start (const juce::StringArray& arguments, const juce::StringPairArray& extraEnvironment,
                         const juce::File& errorFile)
{
    std::vector<std::string> args, env;

    for (auto& a : arguments)
        args.push_back (a.toStdString());

    for (auto** e = environ; *e != nullptr; ++e)
    {
        const juce::String entry (*e);

        if (! extraEnvironment.containsKey (entry.upToFirstOccurrenceOf ("=", false, false)))
            env.push_back (*e);
    }

    for (auto& key : extraEnvironment.getAllKeys())
        env.push_back ((key + "=" + extraEnvironment[key]).toStdString());

    std::vector<char*> argv, envp;

    for (auto& a : args) argv.push_back (a.data());
    for (auto& e : env)  envp.push_back (e.data());

    argv.push_back (nullptr);
    envp.push_back (nullptr);

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init (&files);

    if (errorFile != juce::File())
        posix_spawn_file_actions_addopen (&files, 2, errorFile.getFullPathName().toRawUTF8(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

    exitCode = -1;
    const auto started = posix_spawn (&pid, argv[0], &files, nullptr, argv.data(), envp.data()) == 0;
    posix_spawn_file_actions_destroy (&files);
    return started;
}

bool TestProcess::isRunning()
{
    return pid > 0 && waitForExit (0) < 0;
}

int TestProcess::waitForExit (int timeoutMs)
{
    if (pid <= 0)
        return exitCode;

    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

    for (;;)
    {
        int status = 0;

        if (waitpid (pid, &status, WNOHANG) == pid)
        {
            pid = -1;
            exitCode = WIFEXITED (status) ? WEXITSTATUS (status) : 128 + WTERMSIG (status);
            return exitCode;
        }

        if (juce::Time::getMillisecondCounter() >= end)
            return -1;

        juce::Thread::sleep (20);
    }
}

void TestProcess::kill()
{
    if (pid > 0)
    {
        ::kill (pid, SIGKILL);
        waitForExit (10000);
    }
}

bool eventually (std::function<bool()> condition, int attempts, int pauseMs)
{
    for (int i = 0; i < attempts; ++i)
    {
        if (condition())
            return true;

        juce::Thread::sleep (pauseMs);
    }

    return condition();
}

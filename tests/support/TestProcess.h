#pragma once

#include <juce_core/juce_core.h>
#include <functional>
#include <sys/types.h>

/** A program started for a test with extra environment variables, whose process
    id and exit code the test can see. Killed and reaped when the object goes. */
class TestProcess
{
public:
    TestProcess() = default;
    ~TestProcess();

    /** Starts the program with the arguments (the first is the program path) and
        the current environment plus the given NAME=value pairs; its standard
        error goes to errorFile when one is given. */
    bool start (const juce::StringArray& arguments, const juce::StringPairArray& extraEnvironment = {},
                const juce::File& errorFile = {});

    int getProcessId() const noexcept { return pid; }

    bool isRunning();

    /** The exit code (128 + signal for a killed process), or -1 when the process
        has not ended within the time. */
    int waitForExit (int timeoutMs);

    void kill();

private:
    pid_t pid = -1;
    int exitCode = -1;

    JUCE_DECLARE_NON_COPYABLE (TestProcess)
};

/** Asks the test condition again and again, pausing between tries, until it
    holds or the attempts run out; true when it held. For things that happen
    in another process, which a test cannot drive. */
bool eventually (std::function<bool()> condition, int attempts = 150, int pauseMs = 100);

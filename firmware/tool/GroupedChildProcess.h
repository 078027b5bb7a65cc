#pragma once

#include <juce_core/juce_core.h>

#include <sys/types.h>

namespace halvik
{
    /** A program started in a process group of its own, with its standard
        output on a pipe, so that it can be ended together with everything it
        started. Its standard input and error are /dev/null, and it inherits no
        other open file of this process.

        Once the program has exited it is kept unreaped until endGroup, so that
        its process id, which names the group, cannot pass to another process
        meanwhile. readOutput may run on one thread while the others run on
        another. */
    class GroupedChildProcess
    {
    public:
        GroupedChildProcess() = default;

        /** Ends the group (see endGroup) and closes the pipe. */
        ~GroupedChildProcess();

        /** Starts the program with the arguments (the first is its path; no
            shell sees any of it). False when it could not be started. */
        bool start (const juce::StringArray& arguments);

        /** Waits up to waitMs for output and reads what has arrived, up to
            size bytes: the count read, 0 once the output has ended (everyone
            holding it open has closed it), -1 when nothing arrived in time. */
        int readOutput (char* buffer, int size, int waitMs);

        /** How many bytes of output wait in the pipe now, unread. */
        int waitingOutputBytes() const;

        /** True once the program itself has exited; whatever it started may
            still run. */
        bool hasExited();

        /** Kills every process still in the group, the program among them, and
            reaps the program (giving up after a few seconds, should it not die). */
        void endGroup();

    private:
        pid_t processId = -1;   // -1 before the start and once reaped
        int outputPipe = -1;

        JUCE_DECLARE_NON_COPYABLE (GroupedChildProcess)
    };
}

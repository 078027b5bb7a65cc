#pragma once

#include <juce_events/juce_events.h>
#include <juce_data_structures/juce_data_structures.h>

/** The worker end of the pipe connection that another program can open by
    starting Tavlo with the child-process argument ("--demoUID:<pipe>").

    It greets the coordinator once with a "HelloWorld" tree, answers every
    request with a "REPLY" tree whose "countPlusOne" is the request's "count"
    plus one, and quits the application when the connection is lost.
    The framework deletes a live instance at shutdown.
*/
class DemoSlaveProcess  : public juce::ChildProcessWorker,
                          private juce::DeletedAtShutdown
{
public:
    DemoSlaveProcess();
    ~DemoSlaveProcess() override;

    /** Called on the connection thread when the coordinator has finished connecting. */
    void handleConnectionMade() override;

    /** Called on the connection thread for every request from the coordinator. */
    void handleMessageFromCoordinator (const juce::MemoryBlock& message) override;

    /** Called on the connection or ping thread (or the message thread) when the
        coordinator has gone; ends the program. */
    void handleConnectionLost() override;

    /** Builds the reply tree for one request block; a block that is not a
        readable tree counts as "count" 0. Any thread. */
    static juce::ValueTree makeReplyFor (const juce::MemoryBlock& request);

private:
    /** Sends a tree from the message thread. The connection thread starts
        delivering while the worker's own connection is still being set up, and
        anything sent from it then would be dropped; the message loop only runs
        once start-up has finished. Requests are answered in arrival order
        because the message queue keeps that order. */
    void sendFromMessageThread (const juce::ValueTree& tree);

    JUCE_DECLARE_WEAK_REFERENCEABLE (DemoSlaveProcess)
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DemoSlaveProcess)
};

/** Checks the command line for the child-process argument and, when it is there
    and the pipe connects, keeps a DemoSlaveProcess alive and returns true: the
    program must then open no window. Returns false for a normal start.
    Message thread, from the application's initialise.
*/
bool startChildProcessMode (const juce::String& commandLine);

/** Writes a tree in the framework's value-tree stream form into one block. Any thread. */
juce::MemoryBlock serialiseTreeToBlock (const juce::ValueTree& tree);

#include "ChildProcessMode.h"

namespace
{
    const juce::String childProcessId ("demoUID");
    const juce::Identifier greetingType ("HelloWorld");
    const juce::Identifier replyType ("REPLY");
    const juce::Identifier countProperty ("count");
    const juce::Identifier countPlusOneProperty ("countPlusOne");
}

DemoSlaveProcess::DemoSlaveProcess()
{
    // Creates the weak-reference master here, on the message thread, before any
    // connection thread can ask for a reference.
    juce::WeakReference<DemoSlaveProcess> ignored (this);
    juce::ignoreUnused (ignored);
}

DemoSlaveProcess::~DemoSlaveProcess()
{
    masterReference.clear();
}

void DemoSlaveProcess::handleConnectionMade()
{
    sendFromMessageThread (juce::ValueTree (greetingType));
}

void DemoSlaveProcess::handleMessageFromCoordinator (const juce::MemoryBlock& message)
{
    sendFromMessageThread (makeReplyFor (message));
}

void DemoSlaveProcess::handleConnectionLost()
{
    // Only posts the stop to the message loop, so any thread may call it.
    juce::JUCEApplicationBase::quit();
}

juce::ValueTree DemoSlaveProcess::makeReplyFor (const juce::MemoryBlock& request)
{
    auto tree = juce::ValueTree::readFromData (request.getData(), request.getSize());

    juce::ValueTree reply (replyType);
    reply.setProperty (countPlusOneProperty, (int) tree[countProperty] + 1, nullptr);
    return reply;
}

void DemoSlaveProcess::sendFromMessageThread (const juce::ValueTree& tree)
{
    auto block = serialiseTreeToBlock (tree);

    juce::MessageManager::callAsync ([safeThis = juce::WeakReference<DemoSlaveProcess> (this), block]
    {
        // The result is ignored: a coordinator that has gone is noticed as a lost connection.
        if (auto* worker = safeThis.get())
            worker->sendMessageToCoordinator (block);
    });
}

bool startChildProcessMode (const juce::String& commandLine)
{
    auto worker = std::make_unique<DemoSlaveProcess>();

    if (worker->initialiseFromCommandLine (commandLine, childProcessId, 0))
    {
        worker.release(); // deleted by the framework at shutdown
        return true;
    }

    return false;
}

juce::MemoryBlock serialiseTreeToBlock (const juce::ValueTree& tree)
{
    juce::MemoryOutputStream stream (256);
    tree.writeToStream (stream);
    return stream.getMemoryBlock();
}

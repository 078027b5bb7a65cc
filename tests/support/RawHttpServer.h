#pragma once

#include <juce_core/juce_core.h>

#include <memory>

namespace sim
{

/** A server on 127.0.0.1 that answers every request with the same bytes,
    written as they are: for answers no HTTP library writes, such as headers
    in an order of the test's choosing or without a blank after the colon. */
class RawHttpServer : private juce::Thread
{
public:
    /** Answers with these bytes, status line and headers included. */
    explicit RawHttpServer (const juce::String& rawAnswer)
        : juce::Thread ("raw HTTP server"), answer (rawAnswer)
    {
        listener.createListener (0, "127.0.0.1");
        startThread();
    }

    ~RawHttpServer() override
    {
        signalThreadShouldExit();

        // Wakes the thread from its wait for a connection.
        juce::StreamingSocket waker;
        waker.connect ("127.0.0.1", listener.getBoundPort(), 1000);
        stopThread (5000);
    }

    /** "http://127.0.0.1:<port>/": any path below it gets the answer. */
    juce::String getBaseUrl() const
    {
        return "http://127.0.0.1:" + juce::String (listener.getBoundPort()) + "/";
    }

private:
    void run() override
    {
        while (! threadShouldExit())
        {
            std::unique_ptr<juce::StreamingSocket> client (listener.waitForNextConnection());

            if (client == nullptr || threadShouldExit())
                return;

            // The request's head ends with a blank line; the answer follows it.
            juce::String head;
            char byte = 0;

            while (! head.endsWith ("\r\n\r\n") && client->read (&byte, 1, true) == 1)
                head += byte;

            client->write (answer.toRawUTF8(), (int) answer.getNumBytesAsUTF8());
        }
    }

    juce::StreamingSocket listener;
    const juce::String answer;

    JUCE_DECLARE_NON_COPYABLE (RawHttpServer)
};

} // namespace sim

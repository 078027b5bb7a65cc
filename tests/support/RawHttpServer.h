#pragma once

#include <juce_core/juce_core.h>

#include <memory>
#include <thread>

namespace sim
{

/** Answers the first request to it, on 127.0.0.1, with these bytes as they
    are, status line and headers included: for answers that no HTTP library
    writes, such as headers in an order of the test's own. */
class RawHttpServer
{
public:
    explicit RawHttpServer (const juce::String& rawAnswer)
    {
        listener.createListener (0, "127.0.0.1");

        thread = std::thread ([this, rawAnswer]
        {
            std::unique_ptr<juce::StreamingSocket> client (listener.waitForNextConnection());
            juce::String head;
            char byte = 0;

            // The request's head ends with a blank line; the answer follows it.
            while (client != nullptr && ! head.endsWith ("\r\n\r\n") && client->read (&byte, 1, true) == 1)
                head += byte;

            if (head.endsWith ("\r\n\r\n"))
                client->write (rawAnswer.toRawUTF8(), (int) rawAnswer.getNumBytesAsUTF8());
        });
    }

    ~RawHttpServer()
    {
        // A thread that no request came to still waits for one: a connection
        // that closes at once ends its wait without a request.
        {
            juce::StreamingSocket waker;
            waker.connect ("127.0.0.1", listener.getBoundPort(), 1000);
        }

        thread.join();
    }

    /** "http://127.0.0.1:<port>/": any path below it gets the answer. */
    juce::String getBaseUrl() const
    {
        return "http://127.0.0.1:" + juce::String (listener.getBoundPort()) + "/";
    }

private:
    juce::StreamingSocket listener;
    std::thread thread;

    JUCE_DECLARE_NON_COPYABLE (RawHttpServer)
};

} // namespace sim

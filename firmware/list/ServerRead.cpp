#include "firmware/list/ServerRead.h"

namespace halvik
{
    namespace
    {
        constexpr int redirectsToFollow = 5;
    }

    juce::Result readFromServer (const juce::URL& url, size_t maxBytes, int stallTimeoutMs, int deadlineMs,
                                 juce::MemoryBlock& body, juce::String* contentType)
    {
        body.reset();

        juce::WebInputStream stream (url, false);
        stream.withConnectionTimeout (stallTimeoutMs)
              .withNumRedirectsToFollow (redirectsToFollow);

        if (! stream.connect (nullptr) || stream.isError())
            return juce::Result::fail ("The server did not answer");

        const int status = stream.getStatusCode();

        if (status < 200 || status > 299)
            return juce::Result::fail ("The server answered with status " + juce::String (status));

        const auto tooLarge = juce::Result::fail ("The server's answer is larger than "
                                                  + juce::String ((juce::int64) maxBytes) + " bytes");

        // An announced length is only a promise; the count below is what holds.
        if (stream.getTotalLength() > (juce::int64) maxBytes)
            return tooLarge;

        juce::MemoryBlock received;
        char buffer[16384];

        while (! stream.isExhausted())
        {
            const int count = stream.read (buffer, (int) sizeof (buffer));

            if (count <= 0)
                break;

            if (received.getSize() + (size_t) count > maxBytes)
                return tooLarge;

            received.append (buffer, (size_t) count);
        }

        // A stall ends the transfer with an error, and so does a connection
        // that closes before the announced length arrived.
        if (stream.isError())
            return juce::Result::fail ("The transfer from the server broke off");

        body.swapWith (received);
        return juce::Result::ok();
    }
}

#pragma once

#include <juce_core/juce_core.h>

namespace halvik
{
    /** Reads the whole answer of the firmware server to a GET of the URL into
        body. The answer comes from outside, so the read is bounded: it fails
        when the server does not answer, answers with a status outside 200..299,
        sends (or announces) more than maxBytes, lets the transfer stall (less
        than 100 bytes a second for stallTimeoutMs, which also limits the time
        to connect; curl counts it in whole seconds), is still going at
        deadlineMs (a slow drip never stalls) or breaks it off before its
        announced end; a transfer given up leaves no connection open. body
        holds the answer, and contentType (when given) its "Content-Type", only
        on success. Blocks the calling thread until done; any thread. */
    juce::Result readFromServer (const juce::URL& url, size_t maxBytes, int stallTimeoutMs, int deadlineMs,
                                 juce::MemoryBlock& body, juce::String* contentType = nullptr);
}

#pragma once

#include <juce_core/juce_core.h>

namespace halvik
{
    /** What readFromServer gives besides its result. */
    struct ServerAnswer
    {
        /** The whole body; only on success. */
        juce::MemoryBlock body;

        /** The answer's "Content-Type"; only on success. */
        juce::String contentType;

        /** The codings ("gzip", say) as the server named them, when the
            answer was refused for coming compressed or otherwise encoded;
            empty otherwise. */
        juce::String refusedEncoding;
    };

    /** Reads the whole answer of the firmware server to a GET of the URL into
        answer. The answer comes from outside, so the read is bounded: it fails
        when the server does not answer, answers with a status outside
        200..299, sends its body compressed or otherwise encoded (a
        "Content-Encoding", the header's name in any case, that names any
        coding but "identity"), sends more than 64 KiB of headers, sends (or
        announces) more than maxBytes of body, lets the transfer stall (less
        than 100 bytes a second for stallTimeoutMs, which also limits the time
        to connect; curl counts it in whole seconds), is still going at
        deadlineMs (a slow drip never stalls) or breaks it off before its
        announced end; a transfer given up leaves no connection open. The
        request asks for the identity coding. Blocks the calling thread until
        done; any thread. */
    juce::Result readFromServer (const juce::URL& url, size_t maxBytes, int stallTimeoutMs, int deadlineMs,
                                 ServerAnswer& answer);
}

#include "firmware/list/ServerRead.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace halvik
{
    namespace
    {
        constexpr int redirectsToFollow = 5;

        /** Cancels a transfer still going at its deadline. A read blocks until
            its buffer is full, however slowly the bytes come, so only another
            thread can end it in time; the watchdog ends with this object. */
        class TransferDeadline
        {
        public:
            TransferDeadline (juce::WebInputStream& stream, int deadlineMs)
                : watchdog ([this, &stream, deadlineMs]
                  {
                      std::unique_lock<std::mutex> guard (lock);

                      if (! ended.wait_for (guard, std::chrono::milliseconds (deadlineMs), [this] { return finished; }))
                      {
                          passed = true;
                          stream.cancel();
                      }
                  })
            {
            }

            ~TransferDeadline()  { hasPassed(); }

            /** Ends the watchdog; true when the deadline had passed and the transfer was cancelled. */
            bool hasPassed()
            {
                {
                    std::lock_guard<std::mutex> guard (lock);
                    finished = true;
                }
                ended.notify_one();

                if (watchdog.joinable())
                    watchdog.join();

                return passed;
            }

        private:
            std::mutex lock;
            std::condition_variable ended;
            bool finished = false, passed = false;
            std::thread watchdog;   // last: starts once the rest is built
        };
    }

    juce::Result readFromServer (const juce::URL& url, size_t maxBytes, int stallTimeoutMs, int deadlineMs,
                                 juce::MemoryBlock& body, juce::String* contentType)
    {
        body.reset();

        juce::WebInputStream stream (url, false);
        stream.withConnectionTimeout (stallTimeoutMs)
              .withNumRedirectsToFollow (redirectsToFollow);

        TransferDeadline deadline (stream, deadlineMs);
        // A slow drip never counts as a stall, so the deadline ends it with the same message.
        const auto brokeOff = juce::Result::fail ("The transfer from the server broke off");

        if (! stream.connect (nullptr) || stream.isError())
            return deadline.hasPassed() ? brokeOff : juce::Result::fail ("The server did not answer");

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
        if (deadline.hasPassed() || stream.isError())
            return brokeOff;

        if (contentType != nullptr)
            *contentType = stream.getResponseHeaders()["Content-Type"];

        body.swapWith (received);
        return juce::Result::ok();
    }
}

#include "firmware/list/ServerRead.h"

#include <curl/curl.h>

namespace halvik
{
    namespace
    {
        constexpr long redirectsToFollow = 5;

        // Below this many bytes a second for the stall time a transfer counts as stalled.
        constexpr long stallBytesPerSecond = 100;

        // Far more than any server sends before its body; past it the answer is refused.
        constexpr size_t maxHeaderBytes = 64 * 1024;

        /** A header line's bytes as text, without its line end: anything else
            but printable ASCII becomes "?", so that bytes that are no UTF-8
            never reach a juce::String. */
        juce::String headerLineText (const char* data, size_t size)
        {
            while (size > 0 && (data[size - 1] == '\r' || data[size - 1] == '\n'))
                --size;

            std::string text (data, size);

            for (auto& character : text)
            {
                const auto byte = (unsigned char) character;

                if (byte > 0x7E || (byte < 0x20 && byte != '\t'))
                    character = '?';
            }

            return juce::String (text);
        }

        /** True when every coding in the list (comma-separated, of one header
            or several) is "identity", in any case. Empty items name no coding
            and are passed over, so an empty list is the identity too. */
        bool isIdentityOnly (const juce::String& codings)
        {
            for (const auto& coding : juce::StringArray::fromTokens (codings, ",", {}))
                if (coding.trim().isNotEmpty() && ! coding.trim().equalsIgnoreCase ("identity"))
                    return false;

            return true;
        }

        /** One transfer: what curl's callbacks gather and how it ended. The
            headers kept are the last answer's: a redirect's or an interim
            answer's are dropped when the next status line comes. */
        class Transfer
        {
        public:
            Transfer (CURL* handleToUse, size_t maxBytesToTake)
                : handle (handleToUse), maxBytes (maxBytesToTake)
            {
            }

            /** curl's header callback: one line at a time, the blank line that ends each answer's headers included. */
            static size_t receiveHeaderLine (char* data, size_t size, size_t count, void* transfer)
            {
                return static_cast<Transfer*> (transfer)->takeHeaderLine (data, size * count);
            }

            /** curl's write callback: the body of the last answer only. */
            static size_t receiveBody (char* data, size_t size, size_t count, void* transfer)
            {
                return static_cast<Transfer*> (transfer)->takeBody (data, size * count);
            }

            /** The answer's status: 0 before one arrived. */
            int getStatus() const
            {
                long status = 0;
                curl_easy_getinfo (handle, CURLINFO_RESPONSE_CODE, &status);
                return (int) status;
            }

            juce::Result statusFailure() const
            {
                return juce::Result::fail ("The server answered with status " + juce::String (getStatus()));
            }

            /** The value of a header of the last answer, several of the same name joined with ",". */
            juce::String getHeader (const juce::String& name) const
            {
                juce::StringArray values;

                for (const auto& line : headerLines)
                    if (line.upToFirstOccurrenceOf (":", false, false).trim().equalsIgnoreCase (name))
                        values.add (line.fromFirstOccurrenceOf (":", false, false).trim());

                return values.joinIntoString (",");
            }

            /** Why the answer was given up while it came; ok while it is taken. */
            juce::Result refusal { juce::Result::ok() };

            /** The codings of an answer refused for them, as the server named them. */
            juce::String refusedEncoding;

            juce::MemoryBlock received;

        private:
            size_t takeHeaderLine (const char* data, size_t size)
            {
                const auto line = headerLineText (data, size);

                if (line.startsWith ("HTTP/"))
                {
                    headerLines.clear();
                    headerBytes = 0;
                    judged = false;
                    return size;
                }

                headerBytes += size;

                if (headerBytes > maxHeaderBytes)
                {
                    refuse (juce::Result::fail ("The server's answer has more than "
                                                + juce::String ((juce::int64) maxHeaderBytes) + " bytes of headers"));
                    return 0;
                }

                if (line.isEmpty())
                {
                    // The end of an answer's headers; a followed redirect's answer is judged by the next one.
                    const int status = getStatus();
                    const bool interimOrRedirect = status < 200 || (status >= 300 && status <= 399);

                    if (judged || interimOrRedirect)
                        return size;

                    if (! judge())
                        return 0;

                    return size;
                }

                // A line that starts with a blank continues the header before it.
                if ((line[0] == ' ' || line[0] == '\t') && ! headerLines.isEmpty())
                    headerLines.getReference (headerLines.size() - 1) << ' ' << line.trim();
                else
                    headerLines.add (line);

                return size;
            }

            size_t takeBody (const char* data, size_t size)
            {
                // A redirect curl does not follow (one that names no place) is judged when its body comes.
                if (! judged)
                {
                    if (! judge())
                        return 0;
                }

                if (received.getSize() + size > maxBytes)
                {
                    refuse (tooLarge());
                    return 0;
                }

                received.append (data, size);
                return size;
            }

            /** Decides from the answer's headers whether its body may be
                taken; false (and the reason in refusal) when not. */
            bool judge()
            {
                judged = true;
                const int status = getStatus();

                if (status < 200 || status > 299)
                    return refuse (statusFailure());

                // Compressed (or otherwise encoded) bytes are never taken for
                // the file: a unit could be given them. curl undoes a transfer
                // coding itself, or fails on one it does not know, but leaves
                // the content coding alone, as it was never asked to decode.
                const auto codings = getHeader ("Content-Encoding");

                if (! isIdentityOnly (codings))
                    return refuseCodings (codings);

                // An announced length is only a promise; the count of the bytes that come is what holds.
                curl_off_t announced = -1;
                curl_easy_getinfo (handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);

                if (announced > (curl_off_t) maxBytes)
                    return refuse (tooLarge());

                return true;
            }

            juce::Result tooLarge() const
            {
                return juce::Result::fail ("The server's answer is larger than " + juce::String ((juce::int64) maxBytes)
                                           + " bytes");
            }

            bool refuseCodings (const juce::String& codings)
            {
                refusedEncoding = codings;
                return refuse (juce::Result::fail ("The server sent the file compressed (" + codings
                                                   + "); Tavlo takes only uncompressed files"));
            }

            /** Keeps the first reason; false, for the callback to tell curl to give the transfer up. */
            bool refuse (const juce::Result& reason)
            {
                if (refusal.wasOk())
                    refusal = reason;

                return false;
            }

            CURL* handle;
            const size_t maxBytes;
            juce::StringArray headerLines;
            size_t headerBytes = 0;
            bool judged = false;

            JUCE_DECLARE_NON_COPYABLE (Transfer)
        };

        /** Owns a curl handle and the request's header list. */
        struct CurlHandle
        {
            CurlHandle() = default;

            ~CurlHandle()
            {
                if (handle != nullptr)
                    curl_easy_cleanup (handle);

                curl_slist_free_all (requestHeaders);
            }

            CURL* handle = curl_easy_init();
            curl_slist* requestHeaders = nullptr;

            JUCE_DECLARE_NON_COPYABLE (CurlHandle)
        };
    }

    juce::Result readFromServer (const juce::URL& url, size_t maxBytes, int stallTimeoutMs, int deadlineMs,
                                 ServerAnswer& answer)
    {
        answer = {};
        const auto didNotAnswer = juce::Result::fail ("The server did not answer");
        // A slow drip never counts as a stall, so the deadline ends it with the same message.
        const auto brokeOff = juce::Result::fail ("The transfer from the server broke off");

        CurlHandle curl;

        if (curl.handle == nullptr)
            return didNotAnswer;

        Transfer transfer (curl.handle, maxBytes);
        const auto address = url.toString (true);
        const auto* version = curl_version_info (CURLVERSION_NOW);
        const auto userAgent = juce::String ("curl/") + (version != nullptr ? version->version : "");
        const long stallSeconds = ((long) stallTimeoutMs + 999) / 1000;

        // Without the request header a server may send any coding it likes;
        // a server that compresses all the same is refused when it answers.
        curl.requestHeaders = curl_slist_append (nullptr, "Accept-Encoding: identity");

        if (curl.requestHeaders == nullptr)
            return didNotAnswer;

        // The first option curl refuses ends the setting; the rest are not tried.
        CURLcode setting = CURLE_OK;

        const auto setOption = [&curl, &setting] (CURLoption option, auto value)
        {
            if (setting == CURLE_OK)
                setting = curl_easy_setopt (curl.handle, option, value);
        };

        setOption (CURLOPT_URL, address.toRawUTF8());
        setOption (CURLOPT_HTTPGET, 1L);
        setOption (CURLOPT_HTTPHEADER, curl.requestHeaders);
        setOption (CURLOPT_USERAGENT, userAgent.toRawUTF8());
        setOption (CURLOPT_NOSIGNAL, 1L);
        // The server is a web server, and so is every place it sends the
        // program on to: never a file of this computer, nor another protocol.
        setOption (CURLOPT_PROTOCOLS_STR, "http,https");
        setOption (CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        setOption (CURLOPT_FOLLOWLOCATION, 1L);
        setOption (CURLOPT_MAXREDIRS, redirectsToFollow);
        setOption (CURLOPT_CONNECTTIMEOUT, stallSeconds);
        setOption (CURLOPT_LOW_SPEED_LIMIT, stallBytesPerSecond);
        setOption (CURLOPT_LOW_SPEED_TIME, stallSeconds);
        setOption (CURLOPT_TIMEOUT_MS, (long) deadlineMs);
        setOption (CURLOPT_HEADERFUNCTION, &Transfer::receiveHeaderLine);
        setOption (CURLOPT_HEADERDATA, &transfer);
        setOption (CURLOPT_WRITEFUNCTION, &Transfer::receiveBody);
        setOption (CURLOPT_WRITEDATA, &transfer);

        if (setting != CURLE_OK)
            return didNotAnswer;

        const auto started = juce::Time::getMillisecondCounterHiRes();
        const auto ended = curl_easy_perform (curl.handle);
        const bool deadlinePassed = juce::Time::getMillisecondCounterHiRes() - started >= deadlineMs;

        if (transfer.refusal.failed())
        {
            answer.refusedEncoding = transfer.refusedEncoding;
            return transfer.refusal;
        }

        const int status = transfer.getStatus();

        // A stall, the deadline or a connection that closes before the
        // announced length arrived each end the transfer with an error; so
        // does a redirect too many, or one that leads nowhere.
        if (ended != CURLE_OK)
        {
            if (status == 0)
                return deadlinePassed ? brokeOff : didNotAnswer;

            if (status >= 300 && status <= 399)
                return transfer.statusFailure();

            return brokeOff;
        }

        // What curl ended on without a body to judge: a redirect it was not
        // to follow, say.
        if (status < 200 || status > 299)
            return transfer.statusFailure();

        answer.contentType = transfer.getHeader ("Content-Type");
        answer.body.swapWith (transfer.received);
        return juce::Result::ok();
    }
}

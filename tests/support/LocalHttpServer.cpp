#include "support/LocalHttpServer.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>

namespace sim
{

namespace
{
    constexpr int pollSliceMs = 20;
    constexpr int maxRequestHeadBytes = 64 * 1024;

    /** Waits up to one slice for the socket to become readable (or writable). */
    bool isReady (int fd, bool forReading)
    {
        pollfd entry { fd, (short) (forReading ? POLLIN : POLLOUT), 0 };
        return ::poll (&entry, 1, pollSliceMs) > 0;
    }

    juce::String reasonOf (int status)
    {
        switch (status)
        {
            case 200: return "OK";
            case 301: return "Moved Permanently";
            case 302: return "Found";
            case 304: return "Not Modified";
            case 403: return "Forbidden";
            case 404: return "Not Found";
            case 500: return "Internal Server Error";
            default:  return "Status";
        }
    }

    bool statusHasNoBody (int status)
    {
        return (status >= 100 && status < 200) || status == 204 || status == 304;
    }
}

struct LocalHttpServer::Connection
{
    std::unique_ptr<juce::StreamingSocket> socket;
    std::thread thread;
};

LocalHttpServer::Answer LocalHttpServer::text (const juce::String& body, int status)
{
    Answer answer;
    answer.status = status;
    answer.body.append (body.toRawUTF8(), body.getNumBytesAsUTF8());
    return answer;
}

LocalHttpServer::Answer LocalHttpServer::bytes (const juce::MemoryBlock& body, Delivery delivery)
{
    Answer answer;
    answer.body = body;
    answer.delivery = delivery;
    return answer;
}

LocalHttpServer::LocalHttpServer()
{
    // Port 0: the system picks a free one, so tests running side by side never collide.
    if (listener.createListener (0, "127.0.0.1"))
    {
        port = listener.getBoundPort();
        acceptThread = std::thread ([this] { acceptConnections(); });
    }
}

LocalHttpServer::~LocalHttpServer()
{
    stop();
}

void LocalHttpServer::stop()
{
    stopping = true;

    if (acceptThread.joinable())
        acceptThread.join();

    listener.close();

    // No new connection can appear now; each thread sees the flag within a slice.
    std::vector<std::unique_ptr<Connection>> ending;
    {
        std::lock_guard<std::mutex> guard (lock);
        ending.swap (connections);
    }

    for (auto& connection : ending)
        if (connection->thread.joinable())
            connection->thread.join();
}

juce::String LocalHttpServer::getBaseUrl() const
{
    return "http://127.0.0.1:" + juce::String (port) + "/";
}

void LocalHttpServer::setAnswer (const juce::String& path, const Answer& answer)
{
    setAnswers (path, { answer });
}

void LocalHttpServer::setAnswers (const juce::String& path, const std::vector<Answer>& answersInTurn)
{
    jassert (! answersInTurn.empty());
    std::lock_guard<std::mutex> guard (lock);
    answers[path] = std::deque<Answer> (answersInTurn.begin(), answersInTurn.end());
}

void LocalHttpServer::serveFolder (const juce::File& folderToServe)
{
    std::lock_guard<std::mutex> guard (lock);
    folder = folderToServe;
}

juce::StringArray LocalHttpServer::getRequestedPaths() const
{
    std::lock_guard<std::mutex> guard (lock);
    return requestedPaths;
}

int LocalHttpServer::countRequests (const juce::String& path) const
{
    std::lock_guard<std::mutex> guard (lock);
    int count = 0;

    for (auto& requested : requestedPaths)
        if (requested == path)
            ++count;

    return count;
}

void LocalHttpServer::clearRequests()
{
    std::lock_guard<std::mutex> guard (lock);
    requestedPaths.clear();
}

void LocalHttpServer::acceptConnections()
{
    const int listenerHandle = listener.getRawSocketHandle();

    while (! stopping)
    {
        if (! isReady (listenerHandle, true))
            continue;

        std::unique_ptr<juce::StreamingSocket> socket (listener.waitForNextConnection());

        if (socket == nullptr)
            continue;

        auto connection = std::make_unique<Connection>();
        connection->socket = std::move (socket);
        auto& started = *connection;

        std::lock_guard<std::mutex> guard (lock);
        connections.push_back (std::move (connection));
        started.thread = std::thread ([this, &started] { serveConnection (started); });
    }
}

LocalHttpServer::Answer LocalHttpServer::findAnswer (const juce::String& path)
{
    std::lock_guard<std::mutex> guard (lock);

    auto canned = answers.find (path);

    if (canned != answers.end() && ! canned->second.empty())
    {
        auto answer = canned->second.front();

        if (canned->second.size() > 1)
            canned->second.pop_front();

        return answer;
    }

    if (folder != juce::File())
    {
        auto file = folder.getChildFile (juce::URL::removeEscapeChars (path));
        Answer answer;

        if (file.isAChildOf (folder) && file.existsAsFile() && file.loadFileAsData (answer.body))
            return answer;
    }

    return text ("not found", 404);
}

void LocalHttpServer::serveConnection (Connection& connection)
{
    const int fd = connection.socket->getRawSocketHandle();

    // The request head: everything up to the blank line.
    juce::MemoryBlock head;

    while (! stopping && head.getSize() < (size_t) maxRequestHeadBytes
           && ! head.toString().contains ("\r\n\r\n"))
    {
        if (! isReady (fd, true))
            continue;

        char buffer[4096];
        const auto received = ::recv (fd, buffer, sizeof (buffer), 0);

        if (received <= 0)
            return;

        head.append (buffer, (size_t) received);
    }

    if (stopping)
        return;

    const auto requestLine = head.toString().upToFirstOccurrenceOf ("\r\n", false, false);
    const auto target = requestLine.fromFirstOccurrenceOf (" ", false, false)
                                   .upToFirstOccurrenceOf (" ", false, false);
    const auto path = target.fromFirstOccurrenceOf ("/", false, false);
    const auto pathWithoutQuery = path.upToFirstOccurrenceOf ("?", false, false);

    {
        std::lock_guard<std::mutex> guard (lock);
        requestedPaths.add (path);
    }

    const auto answer = findAnswer (pathWithoutQuery);
    const bool withBody = ! statusHasNoBody (answer.status);

    juce::String header;
    header << "HTTP/1.1 " << answer.status << " " << reasonOf (answer.status) << "\r\n";

    if (withBody && answer.delivery != Delivery::unannounced)
        header << "Content-Length: " << (juce::int64) answer.body.getSize() << "\r\n";

    header << "Connection: close\r\n\r\n";

    juce::MemoryBlock reply (header.toRawUTF8(), header.getNumBytesAsUTF8());

    if (withBody)
    {
        const bool onlyHalf = answer.delivery == Delivery::truncated || answer.delivery == Delivery::stalled;
        reply.append (answer.body.getData(), onlyHalf ? answer.body.getSize() / 2 : answer.body.getSize());
    }

    // Sent in slices so that a client that stops reading, or a stop, never blocks the thread.
    for (size_t sent = 0; sent < reply.getSize();)
    {
        if (stopping)
            return;

        if (! isReady (fd, false))
            continue;

        const auto written = ::send (fd, static_cast<const char*> (reply.getData()) + sent,
                                     juce::jmin ((size_t) 65536, reply.getSize() - sent),
                                     MSG_NOSIGNAL | MSG_DONTWAIT);

        if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            continue;

        if (written <= 0)
            return;     // the client went away

        sent += (size_t) written;
    }

    if (withBody && answer.delivery == Delivery::stalled)
    {
        // Holds the connection open, sending nothing, until the client hangs up.
        while (! stopping)
        {
            if (! isReady (fd, true))
                continue;

            char buffer[256];
            const auto received = ::recv (fd, buffer, sizeof (buffer), MSG_DONTWAIT);

            if (received == 0 || (received < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
                break;
        }
    }

    ::shutdown (fd, SHUT_WR);
}

} // namespace sim

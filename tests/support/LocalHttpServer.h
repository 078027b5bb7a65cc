#pragma once

#include <juce_core/juce_core.h>

#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace sim
{

/** A small HTTP server on 127.0.0.1 for tests: it listens on a free port from
    construction until stop() or destruction, answers GET requests with canned
    answers or the files of a folder, and records the paths it was asked for.
    Each connection carries one request and runs on its own thread; stopping
    ends every connection (stalled ones included) and joins every thread, so
    nothing is left running. Needs no network beyond the loopback. */
class LocalHttpServer
{
public:
    /** How the body of an answer goes out. */
    enum class Delivery
    {
        whole,          ///< the whole body, its length announced
        unannounced,    ///< the whole body with no length; the end of the connection ends it
        truncated,      ///< the whole length announced, half the body sent, then the connection closes
        stalled         ///< the whole length announced, half the body sent, then nothing until the client gives up
    };

    /** One canned answer. */
    struct Answer
    {
        int status = 200;
        juce::MemoryBlock body;
        Delivery delivery = Delivery::whole;
    };

    /** A text answer with a status. */
    static Answer text (const juce::String& body, int status = 200);

    /** A 200 answer with these bytes, delivered as asked. */
    static Answer bytes (const juce::MemoryBlock& body, Delivery delivery = Delivery::whole);

    /** Starts listening on a free port of 127.0.0.1. */
    LocalHttpServer();

    /** Stops the server (see stop). */
    ~LocalHttpServer();

    /** Closes the listening port, ends every open connection and joins every
        thread. Later requests are refused by the system. */
    void stop();

    /** The port listened on, or -1 when listening failed. */
    int getPort() const noexcept { return port; }

    /** "http://127.0.0.1:<port>/": the base that requested paths follow. */
    juce::String getBaseUrl() const;

    /** Answers requests for the path (without its leading "/", e.g.
        "firmware.xml" or "fw/image.bin") with this answer from now on. */
    void setAnswer (const juce::String& path, const Answer& answer);

    /** Answers the requests for the path with these answers in turn; the last
        one answers every request after. */
    void setAnswers (const juce::String& path, const std::vector<Answer>& answersInTurn);

    /** Answers requests for paths without a canned answer with the files of
        this folder (404 when missing or outside it). Without a folder such
        requests get 404. */
    void serveFolder (const juce::File& folder);

    /** Every path requested, in order, as sent (without the leading "/"). */
    juce::StringArray getRequestedPaths() const;

    /** How often the path was requested. */
    int countRequests (const juce::String& path) const;

    void clearRequests();

private:
    struct Connection;

    void acceptConnections();
    void serveConnection (Connection& connection);
    Answer findAnswer (const juce::String& path);

    juce::StreamingSocket listener;
    int port = -1;
    std::atomic<bool> stopping { false };
    std::thread acceptThread;

    mutable std::mutex lock;
    std::map<juce::String, std::deque<Answer>> answers;
    juce::File folder;
    juce::StringArray requestedPaths;
    std::vector<std::unique_ptr<Connection>> connections;

    JUCE_DECLARE_NON_COPYABLE (LocalHttpServer)
};

} // namespace sim

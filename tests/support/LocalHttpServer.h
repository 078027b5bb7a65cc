#pragma once

#include <juce_core/juce_core.h>

#include <memory>
#include <vector>

namespace sim
{

/** An HTTP server on 127.0.0.1 for tests: it listens on a free port from
    construction until stop() or destruction, answers GET requests with canned
    answers (404 for any other path) and records the paths it was asked for.
    Stopping ends every connection, stalled and dripping ones included, and
    joins every thread. Needs no network beyond the loopback. */
class LocalHttpServer
{
public:
    /** How the body of an answer goes out. */
    enum class Delivery
    {
        whole,          ///< the whole body, its length announced
        unannounced,    ///< the whole body with no length; the end of the connection ends it
        truncated,      ///< the whole length announced, half the body sent, then the connection closes
        stalled,        ///< the whole length announced, half the body sent, then nothing until the server stops
        dripping        ///< the whole length announced, dripBytes every 100 ms: slow, yet no stall
    };

    /** What a dripping answer sends every 100 ms: 300 bytes a second, above
        the rate under which a client counts a transfer as stalled. */
    static constexpr int dripBytes = 30;

    /** One canned answer. */
    struct Answer
    {
        int status = 200;
        juce::MemoryBlock body;
        Delivery delivery = Delivery::whole;
        juce::String contentType { "application/octet-stream" };
    };

    /** A text answer (an error page with "text/html", say). */
    static Answer text (const juce::String& body, int status = 200, const juce::String& contentType = "text/plain");

    /** A 200 answer with these bytes, delivered as asked. */
    static Answer bytes (const juce::MemoryBlock& body, Delivery delivery = Delivery::whole);

    LocalHttpServer();
    ~LocalHttpServer();

    /** Ends every connection and joins every thread; later requests are refused. */
    void stop();

    /** "http://127.0.0.1:<port>/": the base that requested paths follow. */
    juce::String getBaseUrl() const;

    /** Answers requests for the path (without its leading "/" and as sent,
        escapes included) with this answer from now on. */
    void setAnswer (const juce::String& path, const Answer& answer);

    /** Answers requests for the path with these in turn; the last one answers every request after. */
    void setAnswers (const juce::String& path, const std::vector<Answer>& answersInTurn);

    /** Every path requested, in order, as sent (without the leading "/"). */
    juce::StringArray getRequestedPaths() const;

    int countRequests (const juce::String& path) const;
    void clearRequests();

    /** How many answers are being sent now; a dripping one ends soon after its client hangs up. */
    int getAnswersInProgress() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;

    JUCE_DECLARE_NON_COPYABLE (LocalHttpServer)
};

} // namespace sim

#pragma once

#include "support/TestSurroundings.h"

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

namespace sim
{

/** An HTTP server on 127.0.0.1 for tests: from construction until stop() it
    answers GET requests with canned answers (404 for other paths) and records
    the paths asked for. Stopping ends every connection, stalled and dripping
    ones included, and joins every thread. */
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
        dripping        ///< the whole length announced, 30 bytes every 100 ms: slow, yet no stall
    };

    struct Answer
    {
        int status = 200;
        juce::MemoryBlock body;
        Delivery delivery = Delivery::whole;
        juce::String contentType { "application/octet-stream" };

        /** More headers, sent in this order after the ones the server writes itself. */
        std::vector<std::pair<juce::String, juce::String>> headers;

        /** Called on the server's thread when a request for this answer has
            come, before any of the answer goes out: what a user does while
            the program waits for it. */
        std::function<void()> whenAsked;

        /** This answer with one more header ("Content-Encoding: gzip", say). */
        Answer withHeader (const juce::String& name, const juce::String& value) const
        {
            auto answer = *this;
            answer.headers.emplace_back (name, value);
            return answer;
        }
    };

    /** A text answer (an error page with "text/html", say). */
    static Answer text (const juce::String& body, int status = 200, const juce::String& contentType = "text/plain")
    {
        return { status, { body.toRawUTF8(), body.getNumBytesAsUTF8() }, Delivery::whole, contentType };
    }

    /** A 200 answer with these bytes, delivered as asked. */
    static Answer bytes (const juce::MemoryBlock& body, Delivery delivery = Delivery::whole)  { return { 200, body, delivery }; }

    LocalHttpServer();
    ~LocalHttpServer();

    /** Ends every connection and joins every thread; later requests are refused. */
    void stop();

    /** "http://127.0.0.1:<port>/": the base that requested paths follow. */
    juce::String getBaseUrl() const;

    /** Answers requests for the path (without its leading "/" and as sent,
        escapes included) with these in turn; the last one answers every request after. */
    void setAnswers (const juce::String& path, const std::vector<Answer>& answersInTurn);
    void setAnswer (const juce::String& path, const Answer& answer)  { setAnswers (path, { answer }); }

    /** Every path requested, in order, as sent (without the leading "/"). */
    juce::StringArray getRequestedPaths() const;
    void clearRequests();

    int countRequests (const juce::String& path) const
    {
        const auto paths = getRequestedPaths();
        return (int) std::count (paths.begin(), paths.end(), path);
    }

    /** How many answers are being sent now; a dripping one ends soon after its client hangs up. */
    int getAnswersInProgress() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;

    JUCE_DECLARE_NON_COPYABLE (LocalHttpServer)
};

/** A firmware server of the test's own: a LocalHttpServer that the program is
    pointed at (TAVLO_FIRMWARE_SERVER), and a per-user data folder of the
    test's own (XDG_DATA_HOME), where downloads go. Everything is put back and
    stopped when the object goes. */
class LocalFirmwareServer
{
public:
    LocalFirmwareServer()
    {
        environment.set ("TAVLO_FIRMWARE_SERVER", server.getBaseUrl());
        environment.set ("XDG_DATA_HOME", dataHome.get().getFullPathName());
        // A proxy from the environment must not see the loopback requests.
        environment.set ("no_proxy", "127.0.0.1");
        environment.set ("NO_PROXY", "127.0.0.1");
    }

    /** One entry of a firmware list. */
    struct Entry
    {
        int pid;
        juce::String name, version, fw;
    };

    /** The text of a list with these entries, in this order. */
    static juce::String listText (std::initializer_list<Entry> entries)
    {
        juce::String text ("<firmwares>");

        for (auto& e : entries)
        {
            text << "<firmware pid=\"" << e.pid << "\" name=\"" << e.name << "\" version=\"" << e.version
                 << "\" fw=\"" << e.fw << "\"/>";
        }

        return text + "</firmwares>";
    }

    /** Serves a list ("firmware.xml" unless another path is given). */
    void serveList (std::initializer_list<Entry> entries, const juce::String& path = "firmware.xml")
    {
        server.setAnswer (path, LocalHttpServer::text (listText (entries)));
    }

    /** Serves an image at a path below the server's base. */
    void serveImage (const juce::String& path, const juce::MemoryBlock& image)
    {
        server.setAnswer (path, LocalHttpServer::bytes (image));
    }

    /** Every file below the test's data home, the downloads' folder included. */
    juce::Array<juce::File> filesInDataHome() const
    {
        return dataHome.get().findChildFiles (juce::File::findFiles, true);
    }

    TempFolder dataHome;
    ScopedEnvironment environment;
    LocalHttpServer server;

    JUCE_DECLARE_NON_COPYABLE (LocalFirmwareServer)
};

} // namespace sim

#include "support/LocalHttpServer.h"

#include <httplib.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace sim
{

struct LocalHttpServer::Impl
{
    httplib::Server server;
    std::thread thread;
    int port = -1;

    mutable std::mutex lock;
    std::condition_variable stopped;
    bool stopping = false;
    std::map<juce::String, std::deque<Answer>> answers;
    juce::StringArray requestedPaths;
    int answersInProgress = 0;

    /** Waits until the server stops or the time is up; true once it stops. */
    bool waitForStop (std::chrono::milliseconds limit)
    {
        std::unique_lock<std::mutex> guard (lock);
        return stopped.wait_for (guard, limit, [this] { return stopping; });
    }

    Answer take (const juce::String& target)
    {
        std::lock_guard<std::mutex> guard (lock);
        requestedPaths.add (target);
        auto canned = answers.find (target.upToFirstOccurrenceOf ("?", false, false));

        if (canned == answers.end())
            return text ("not found", 404);

        auto answer = canned->second.front();

        if (canned->second.size() > 1)
            canned->second.pop_front();

        return answer;
    }

    void answer (const httplib::Request& request, httplib::Response& response)
    {
        const auto canned = take (juce::String (request.target).substring (1));
        const auto body = std::make_shared<juce::MemoryBlock> (canned.body);
        const auto* data = static_cast<const char*> (body->getData());
        const auto size = body->getSize();
        const auto type = canned.contentType.toStdString();
        const auto delivery = canned.delivery;
        response.status = canned.status;

        if (delivery == Delivery::whole)
            return response.set_content (data, size, type);

        const auto ended = [this] (bool) { std::lock_guard<std::mutex> guard (lock); --answersInProgress; };
        {
            std::lock_guard<std::mutex> guard (lock);
            ++answersInProgress;
        }

        if (delivery == Delivery::unannounced)
            return response.set_content_provider (type, [body, data, size] (size_t, httplib::DataSink& sink)
            {
                sink.write (data, size);
                sink.done();
                return true;
            }, ended);

        const auto sent = delivery == Delivery::dripping ? size : size / 2;

        response.set_content_provider (size, type, [this, body, data, sent, delivery] (size_t offset, size_t, httplib::DataSink& sink)
        {
            if (offset < sent && delivery != Delivery::dripping)
                return sink.write (data + offset, sent - offset);

            if (offset < sent)
                return ! waitForStop (std::chrono::milliseconds (100))
                        && sink.write (data + offset, std::min (sent - offset, (size_t) dripBytes));

            if (delivery == Delivery::stalled)
                waitForStop (std::chrono::hours (1));

            return false;   // closes the connection before the announced end
        }, ended);
    }
};

LocalHttpServer::Answer LocalHttpServer::text (const juce::String& body, int status, const juce::String& contentType)
{
    return { status, { body.toRawUTF8(), body.getNumBytesAsUTF8() }, Delivery::whole, contentType };
}

LocalHttpServer::Answer LocalHttpServer::bytes (const juce::MemoryBlock& body, Delivery delivery)
{
    return { 200, body, delivery };
}

LocalHttpServer::LocalHttpServer() : impl (std::make_unique<Impl>())
{
    auto& server = impl->server;
    // One request per connection, so that a stop never waits for an idle client.
    server.set_keep_alive_max_count (1);
    // A stalled answer holds its thread until the stop.
    server.new_task_queue = [] { return new httplib::ThreadPool (16); };
    server.set_pre_routing_handler ([this] (const httplib::Request& request, httplib::Response& response)
    {
        impl->answer (request, response);
        return httplib::Server::HandlerResponse::Handled;
    });

    // Port 0: the system picks a free one, so tests running side by side never collide.
    impl->port = server.bind_to_any_port ("127.0.0.1");

    if (impl->port > 0)
    {
        impl->thread = std::thread ([&server] { server.listen_after_bind(); });

        // A stop before the server runs would not reach it.
        while (! server.is_running())
            std::this_thread::yield();
    }
}

LocalHttpServer::~LocalHttpServer()
{
    stop();
}

void LocalHttpServer::stop()
{
    {
        std::lock_guard<std::mutex> guard (impl->lock);
        impl->stopping = true;
    }
    impl->stopped.notify_all();
    impl->server.stop();

    if (impl->thread.joinable())
        impl->thread.join();
}

juce::String LocalHttpServer::getBaseUrl() const
{
    return "http://127.0.0.1:" + juce::String (impl->port) + "/";
}

void LocalHttpServer::setAnswer (const juce::String& path, const Answer& answer)
{
    setAnswers (path, { answer });
}

void LocalHttpServer::setAnswers (const juce::String& path, const std::vector<Answer>& answersInTurn)
{
    std::lock_guard<std::mutex> guard (impl->lock);
    impl->answers[path] = std::deque<Answer> (answersInTurn.begin(), answersInTurn.end());
}

juce::StringArray LocalHttpServer::getRequestedPaths() const
{
    std::lock_guard<std::mutex> guard (impl->lock);
    return impl->requestedPaths;
}

int LocalHttpServer::countRequests (const juce::String& path) const
{
    const auto paths = getRequestedPaths();
    return (int) std::count (paths.begin(), paths.end(), path);
}

void LocalHttpServer::clearRequests()
{
    std::lock_guard<std::mutex> guard (impl->lock);
    impl->requestedPaths.clear();
}

int LocalHttpServer::getAnswersInProgress() const
{
    std::lock_guard<std::mutex> guard (impl->lock);
    return impl->answersInProgress;
}

} // namespace sim

#include "support/LocalFirmwareServer.h"

#include <httplib.h>

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

    std::mutex lock;
    std::condition_variable stopped;
    bool stopping = false;
    std::map<juce::String, std::deque<Answer>> answers;
    juce::StringArray requestedPaths;
    int answersInProgress = 0;

    template <typename Action>
    auto locked (Action&& action) -> decltype (action())
    {
        const std::lock_guard<std::mutex> guard (lock);
        return action();
    }

    /** Waits until the server stops or the time is up; true once it stops. */
    bool waitForStop (std::chrono::milliseconds limit)
    {
        std::unique_lock<std::mutex> guard (lock);
        return stopped.wait_for (guard, limit, [this] { return stopping; });
    }

    void answer (const httplib::Request& request, httplib::Response& response)
    {
        const auto canned = [this, path = juce::String (request.target).substring (1)]
        {
            std::lock_guard<std::mutex> guard (lock);
            requestedPaths.add (path);
            const auto found = answers.find (path.upToFirstOccurrenceOf ("?", false, false));
            auto answer = found == answers.end() ? text ("not found", 404) : found->second.front();

            if (found != answers.end() && found->second.size() > 1)
                found->second.pop_front();

            if (answer.delivery != Delivery::whole)
                ++answersInProgress;

            return answer;
        }();

        if (canned.whenAsked != nullptr)
            canned.whenAsked();

        const auto body = std::make_shared<juce::MemoryBlock> (canned.body);
        const auto type = canned.contentType.toStdString();
        const auto delivery = canned.delivery;
        response.status = canned.status;

        for (auto& [name, value] : canned.headers)
            response.set_header (name.toStdString(), value.toStdString());

        if (delivery == Delivery::whole)
            return response.set_content (static_cast<const char*> (body->getData()), body->getSize(), type);

        const auto ended = [this] (bool) { locked ([this] { --answersInProgress; }); };

        const bool halfOnly = delivery == Delivery::truncated || delivery == Delivery::stalled;
        const auto sent = halfOnly ? body->getSize() / 2 : body->getSize();

        // Up to `sent` bytes, 30 every 100 ms when dripping; then the end of the
        // body, or, short of the announced length, the connection closes (after
        // the stop, for a stalled answer).
        const auto provide = [this, body, sent, delivery] (size_t offset, httplib::DataSink& sink)
        {
            const auto* data = static_cast<const char*> (body->getData()) + offset;

            if (offset < sent && delivery != Delivery::dripping)
                return sink.write (data, sent - offset);

            if (offset < sent)
            {
                if (waitForStop (std::chrono::milliseconds (100)))
                    return false;

                return sink.write (data, std::min (sent - offset, (size_t) 30));
            }

            if (delivery == Delivery::unannounced)
                sink.done();
            else if (delivery == Delivery::stalled)
                waitForStop (std::chrono::hours (1));

            return delivery == Delivery::unannounced;
        };

        if (delivery == Delivery::unannounced)
            return response.set_content_provider (type, provide, ended);

        const auto provideFrom = [provide] (size_t offset, size_t, httplib::DataSink& sink)
        {
            return provide (offset, sink);
        };

        response.set_content_provider (body->getSize(), type, provideFrom, ended);
    }
};

LocalHttpServer::LocalHttpServer() : impl (std::make_unique<Impl>())
{
    auto& server = impl->server;
    server.set_keep_alive_max_count (1);    // one request per connection: a stop never waits for an idle client
    // A stalled answer holds its thread until the stop.
    server.new_task_queue = [] { return new httplib::ThreadPool (16); };
    server.set_pre_routing_handler ([this] (const httplib::Request& request, httplib::Response& response)
    {
        impl->answer (request, response);
        return httplib::Server::HandlerResponse::Handled;
    });

    // The system picks a free port, so tests running side by side never collide.
    impl->port = server.bind_to_any_port ("127.0.0.1");

    if (impl->port > 0)
    {
        impl->thread = std::thread ([&server] { server.listen_after_bind(); });

        while (! server.is_running())   // a stop before the server runs would not reach it
            std::this_thread::yield();
    }
}

LocalHttpServer::~LocalHttpServer()  { stop(); }

void LocalHttpServer::stop()
{
    impl->locked ([this] { impl->stopping = true; });
    impl->stopped.notify_all();
    impl->server.stop();

    if (impl->thread.joinable())
        impl->thread.join();
}

juce::String LocalHttpServer::getBaseUrl() const   { return "http://127.0.0.1:" + juce::String (impl->port) + "/"; }

void LocalHttpServer::setAnswers (const juce::String& path, const std::vector<Answer>& answersInTurn)
{
    impl->locked ([&] { impl->answers[path] = std::deque<Answer> (answersInTurn.begin(), answersInTurn.end()); });
}

juce::StringArray LocalHttpServer::getRequestedPaths() const   { return impl->locked ([this] { return impl->requestedPaths; }); }
void LocalHttpServer::clearRequests()                          { impl->locked ([this] { impl->requestedPaths.clear(); }); }
int LocalHttpServer::getAnswersInProgress() const              { return impl->locked ([this] { return impl->answersInProgress; }); }

} // namespace sim

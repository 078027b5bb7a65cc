#pragma once

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace sim
{

/** Where simulated devices put what they will do later (answer, leave the
    port list, come back). Times are relative to the scheduler's now. */
class EventScheduler
{
public:
    virtual ~EventScheduler() = default;

    /** Runs the event once the given time has passed, on a thread of the
        scheduler's choosing. Events due at the same time run in the order they
        were scheduled. Any thread. */
    virtual void schedule (const void* owner, double delayMicroseconds, std::function<void()> event) = 0;

    /** Drops every event of this owner that has not run, and waits for one
        that is running on another thread. Any thread, but not from inside one
        of the owner's events. */
    virtual void cancel (const void* owner) = 0;
};

/** Runs events in real time on a thread of its own: for benchmarks and other
    runs whose pauses really wait. */
class RealTimeScheduler final : public EventScheduler
{
public:
    RealTimeScheduler();
    ~RealTimeScheduler() override;

    void schedule (const void* owner, double delayMicroseconds, std::function<void()> event) override;
    void cancel (const void* owner) override;

private:
    void run();

    struct Entry
    {
        const void* owner;
        std::function<void()> event;
    };

    using Clock = std::chrono::steady_clock;

    std::mutex lock;
    std::condition_variable changed;
    std::multimap<Clock::time_point, Entry> entries;
    const void* runningOwner = nullptr;
    bool stopping = false;
    std::thread thread;
};

} // namespace sim

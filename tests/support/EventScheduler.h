#pragma once

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <limits>
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

/** The events a scheduler holds, by due time (in microseconds of its own
    clock), then by order of scheduling, and the one that runs now. The
    scheduler holds `lock` around add, nextDue and isRunning. */
class ScheduledEvents
{
public:
    std::mutex lock;
    std::condition_variable changed;

    void add (const void* owner, double dueAt, std::function<void()> event)
    {
        entries.emplace (std::make_pair (dueAt, nextSequence++), Entry { owner, std::move (event) });
    }

    /** Infinity when nothing is scheduled. */
    double nextDue() const  { return entries.empty() ? std::numeric_limits<double>::infinity() : entries.begin()->first.first; }
    bool isRunning() const  { return runningThread != std::thread::id(); }

    /** Runs the first event, without the lock held. */
    void runFirst (std::unique_lock<std::mutex>& guard)
    {
        auto node = entries.extract (entries.begin());
        runningOwner = node.mapped().owner;
        runningThread = std::this_thread::get_id();

        guard.unlock();
        node.mapped().event();
        node.mapped().event = nullptr;      // whatever it holds goes before the lock is taken again
        guard.lock();

        runningOwner = nullptr;
        runningThread = {};
        changed.notify_all();
    }

    /** As EventScheduler::cancel; takes the lock itself. */
    void cancel (const void* owner)
    {
        std::unique_lock<std::mutex> guard (lock);

        // A running event may still schedule another: let it end first.
        changed.wait (guard, [&] { return runningOwner != owner || runningThread == std::this_thread::get_id(); });

        for (auto i = entries.begin(); i != entries.end();)
            i = i->second.owner == owner ? entries.erase (i) : std::next (i);
    }

private:
    struct Entry
    {
        const void* owner;
        std::function<void()> event;
    };

    std::map<std::pair<double, std::uint64_t>, Entry> entries;
    std::uint64_t nextSequence = 0;
    const void* runningOwner = nullptr;
    std::thread::id runningThread;
};

/** Runs events in real time on a thread of its own: for a device that talks
    from its own thread, and for benchmarks whose pauses really wait. */
class RealTimeScheduler final : public EventScheduler
{
public:
    RealTimeScheduler() : thread ([this] { run(); }) {}

    ~RealTimeScheduler() override
    {
        lockedCall ([this] { stopping = true; });
        thread.join();
    }

    void schedule (const void* owner, double delayMicroseconds, std::function<void()> event) override
    {
        lockedCall ([&] { events.add (owner, now() + delayMicroseconds, std::move (event)); });
    }

    void cancel (const void* owner) override  { events.cancel (owner); }

    /** Waits until every event scheduled so far has run. Not from an event. */
    void waitUntilIdle()
    {
        std::unique_lock<std::mutex> guard (events.lock);
        events.changed.wait (guard, [this] { return std::isinf (events.nextDue()) && ! events.isRunning(); });
    }

private:
    double now() const  { return std::chrono::duration<double, std::micro> (std::chrono::steady_clock::now() - start).count(); }

    // Runs something with the lock held, then wakes the scheduler's thread.
    template <typename Action>
    void lockedCall (Action&& action)
    {
        {
            const std::lock_guard<std::mutex> guard (events.lock);
            action();
        }

        events.changed.notify_all();
    }

    void run()
    {
        std::unique_lock<std::mutex> guard (events.lock);

        while (! stopping)
        {
            const auto due = events.nextDue();

            if (due <= now())
                events.runFirst (guard);
            else if (std::isinf (due))
                events.changed.wait (guard);
            else
                events.changed.wait_for (guard, std::chrono::microseconds ((long long) std::ceil (due - now())));
        }
    }

    ScheduledEvents events;
    const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    bool stopping = false;
    std::thread thread;
};

} // namespace sim

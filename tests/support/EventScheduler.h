#pragma once

#include <juce_events/juce_events.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

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
    double nextDue() const
    {
        return entries.empty() ? std::numeric_limits<double>::infinity() : entries.begin()->first.first;
    }

    bool isRunning() const  { return runningThread != std::thread::id(); }

    /** Runs the action with the lock held, then wakes every waiter. */
    template <typename Action>
    void change (Action&& action)
    {
        {
            const std::lock_guard<std::mutex> guard (lock);
            action();
        }

        changed.notify_all();
    }

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
        events.change ([this] { stopping = true; });
        thread.join();
    }

    void schedule (const void* owner, double delayMicroseconds, std::function<void()> event) override
    {
        events.change ([&] { events.add (owner, now() + delayMicroseconds, std::move (event)); });
    }

    void cancel (const void* owner) override  { events.cancel (owner); }

    /** Waits until every event scheduled so far has run. Not from an event. */
    void waitUntilIdle()
    {
        std::unique_lock<std::mutex> guard (events.lock);
        events.changed.wait (guard, [this] { return std::isinf (events.nextDue()) && ! events.isRunning(); });
    }

private:
    double now() const
    {
        return std::chrono::duration<double, std::micro> (std::chrono::steady_clock::now() - start).count();
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

/** Virtual time for tests: the program's pauses and reply waits, and the
    simulated devices' scheduled events, all run on it, so a test of minutes
    of protocol takes milliseconds and always goes the same way.

    Give it to SimulatedMidiPorts (setClock) and every pause, message-loop wait
    and reply wait of the program goes through it. A wait blocks its thread
    until virtual time reaches its end (or, for a reply wait, its condition
    holds). Time moves on only while every thread that has ever waited on the
    clock (and is still alive) is waiting: then it jumps to the next thing that
    happens, an event or the end of a wait. So a worker thread and the message
    thread waiting for it share one time line. Events run on whichever waiting
    thread moves the time, one at a time, without the clock's lock held: for a
    device that answers the program, that thread stands in for the MIDI input
    thread.

    A wait that dispatches messages (the message thread) dispatches what is
    pending at its start and, while another thread holds the time up, every
    millisecond of real time.
*/
class VirtualClock final : public EventScheduler
{
public:
    VirtualClock() = default;

    /** Virtual microseconds since construction. Any thread. */
    double now() const
    {
        const std::lock_guard<std::mutex> guard (core->lock);
        return core->now;
    }

    void schedule (const void* owner, double delayMicroseconds, std::function<void()> event) override
    {
        core->change ([&] { core->add (owner, core->now + std::max (0.0, delayMicroseconds), std::move (event)); });
    }

    void cancel (const void* owner) override    { core->cancel (owner); }

    //==============================================================================
    // The program's waits (SimulatedMidiPorts forwards them here).

    /** Blocks until the time has passed. */
    void sleep (double microseconds)            { core->wait (microseconds, nullptr, false); }

    /** The same while the message loop runs. Message thread. */
    void sleepDispatchingMessages (double microseconds)
    {
        Core::dispatchPendingMessages();
        core->wait (microseconds, nullptr, true);
    }

    /** The same, ending early once the condition holds; the condition's last
        answer. It dispatches only while another thread holds the time up, and
        nothing before the wait has begun: whatever a message does, this thread
        counts as waiting meanwhile, so the thread it waits for can move the
        time on. */
    bool waitDispatchingMessagesFor (const std::function<bool()>& condition, double timeoutMicroseconds)
    {
        return core->wait (timeoutMicroseconds, &condition, true);
    }

    /** Blocks until the condition holds or the time is up; the condition's last answer. */
    bool waitFor (const std::function<bool()>& condition, double timeoutMicroseconds)
    {
        return core->wait (timeoutMicroseconds, &condition, false);
    }

    /** Something a waiting condition reads has changed. Any thread. Taking the
        lock first: a waiter between reading its condition and sleeping would
        miss a bare notification. */
    void notify()   { core->change ([] {}); }

private:
    // Shared with the threads that have waited on the clock, which leave it
    // when they end.
    struct Core : ScheduledEvents, std::enable_shared_from_this<Core>
    {
        struct Wait
        {
            double endsAt = 0.0;
            const std::function<bool()>* condition = nullptr;
        };

        double now = 0.0;

        // Every thread that has waited on the clock and is still alive, with the
        // waits it is in (nested ones on top).
        std::map<std::thread::id, std::vector<Wait*>> participants;
        std::uint64_t moves = 0;        // counts every step, to tell a stall

        // A wait is over when its condition holds, or its time has come and
        // nothing due at that time is left to run first.
        bool isOver (const Wait& wait) const
        {
            if (wait.condition != nullptr && (*wait.condition)())
                return true;

            return now >= wait.endsAt && nextDue() > now;
        }

        bool everyoneWaits() const
        {
            for (auto& participant : participants)
                if (participant.second.empty() || isOver (*participant.second.back()))
                    return false;

            return true;
        }

        // Runs one due event, or moves time on to the next event or end of a
        // wait. False when this thread cannot move anything now.
        bool step (std::unique_lock<std::mutex>& guard, bool evenIfOthersRun)
        {
            if (isRunning())
                return false;

            if (nextDue() <= now)
            {
                runFirst (guard);
                ++moves;
                return true;
            }

            if (! evenIfOthersRun && ! everyoneWaits())
                return false;

            auto next = nextDue();

            for (auto& participant : participants)
                if (! participant.second.empty())
                    next = std::min (next, participant.second.back()->endsAt);

            if (! (next > now) || next == std::numeric_limits<double>::infinity())
                return false;

            now = next;
            ++moves;
            changed.notify_all();
            return true;
        }

        // The calling thread's waits, made a participant first if it is not one.
        std::vector<Wait*>& join()
        {
            // A thread that has waited on a clock stays one of its participants
            // until it ends: a worker that is between two waits holds the time up.
            struct Membership
            {
                ~Membership()
                {
                    for (auto& weak : clocks)
                        if (auto clock = weak.lock())
                            clock->change ([&] { clock->participants.erase (std::this_thread::get_id()); });
                }

                std::vector<std::weak_ptr<Core>> clocks;
            };

            static thread_local Membership membership;
            auto found = participants.find (std::this_thread::get_id());

            if (found == participants.end())
            {
                found = participants.emplace (std::this_thread::get_id(), std::vector<Wait*>()).first;
                membership.clocks.push_back (weak_from_this());
            }

            return found->second;
        }

        bool wait (double microseconds, const std::function<bool()>* condition, bool dispatching)
        {
            // Real time after which a clock that cannot move says so and moves anyway.
            constexpr auto stallLimit = std::chrono::seconds (30);

            std::unique_lock<std::mutex> guard (lock);
            Wait wait { now + std::max (0.0, microseconds), condition };
            auto& waits = join();
            waits.push_back (&wait);

            auto lastMoves = moves;
            auto stillSince = std::chrono::steady_clock::now();

            while (! isOver (wait))
            {
                if (step (guard, false))
                    continue;

                // Another thread runs: it moves the time when it next waits.
                if (dispatching)
                {
                    guard.unlock();
                    dispatchPendingMessages();
                    guard.lock();
                }

                changed.wait_for (guard, std::chrono::milliseconds (1));

                if (moves != lastMoves)
                {
                    lastMoves = moves;
                    stillSince = std::chrono::steady_clock::now();
                }
                else if (std::chrono::steady_clock::now() - stillSince > stallLimit)
                {
                    std::fprintf (stderr, "VirtualClock: a participating thread has not waited for %d s; "
                                          "moving on without it\n",
                                  (int) stallLimit.count());
                    step (guard, true);
                    stillSince = std::chrono::steady_clock::now();
                }
            }

            const bool result = condition == nullptr || (*condition)();
            waits.pop_back();
            changed.notify_all();
            return result;
        }

        // Runs what the message queue holds now, without waiting for more.
        static void dispatchPendingMessages()
        {
            auto* messageManager = juce::MessageManager::getInstanceWithoutCreating();

            if (messageManager == nullptr || ! messageManager->isThisTheMessageThread())
                return;

            auto reached = std::make_shared<std::atomic<bool>> (false);
            juce::MessageManager::callAsync ([reached] { *reached = true; });

            for (int i = 0; i < 1000 && ! *reached; ++i)
                messageManager->runDispatchLoopUntil (0);
        }
    };

    const std::shared_ptr<Core> core = std::make_shared<Core>();

    JUCE_DECLARE_NON_COPYABLE (VirtualClock)
};

} // namespace sim

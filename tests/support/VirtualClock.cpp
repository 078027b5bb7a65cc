#include "support/VirtualClock.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <cstdio>
#include <limits>
#include <vector>

namespace sim
{

struct VirtualClock::Core : ScheduledEvents, std::enable_shared_from_this<VirtualClock::Core>
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

    //==============================================================================
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

    std::vector<Wait*>& join();
    void leave (std::thread::id thread);
    bool wait (double microseconds, const std::function<bool()>* condition, bool dispatching);
};

namespace
{
    // A thread that has waited on a clock stays one of its participants until
    // it ends: a worker that is between two waits holds the time up.
    struct Membership
    {
        ~Membership()
        {
            for (auto& weak : clocks)
                if (auto clock = weak.lock())
                    clock->leave (std::this_thread::get_id());
        }

        std::vector<std::weak_ptr<VirtualClock::Core>> clocks;
    };

    thread_local Membership membership;

    // Runs what the message queue holds now, without waiting for more.
    void dispatchPendingMessages()
    {
        auto* messageManager = juce::MessageManager::getInstanceWithoutCreating();

        if (messageManager == nullptr || ! messageManager->isThisTheMessageThread())
            return;

        auto reached = std::make_shared<std::atomic<bool>> (false);
        juce::MessageManager::callAsync ([reached] { *reached = true; });

        for (int i = 0; i < 1000 && ! *reached; ++i)
            messageManager->runDispatchLoopUntil (0);
    }

    // Real time after which a clock that cannot move says so and moves anyway.
    constexpr auto stallLimit = std::chrono::seconds (30);
}

std::vector<VirtualClock::Core::Wait*>& VirtualClock::Core::join()
{
    const auto id = std::this_thread::get_id();
    auto found = participants.find (id);

    if (found == participants.end())
    {
        found = participants.emplace (id, std::vector<Wait*>()).first;
        membership.clocks.push_back (weak_from_this());
    }

    return found->second;
}

void VirtualClock::Core::leave (std::thread::id thread)
{
    { const std::lock_guard<std::mutex> guard (lock); participants.erase (thread); }
    changed.notify_all();
}

bool VirtualClock::Core::wait (double microseconds, const std::function<bool()>* condition, bool dispatching)
{
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
            std::fprintf (stderr, "VirtualClock: a participating thread has not waited for %d s; moving on without it\n",
                          (int) std::chrono::duration_cast<std::chrono::seconds> (stallLimit).count());
            step (guard, true);
            stillSince = std::chrono::steady_clock::now();
        }
    }

    const bool result = condition == nullptr || (*condition)();
    waits.pop_back();
    changed.notify_all();
    return result;
}

//==============================================================================
VirtualClock::VirtualClock() : core (std::make_shared<Core>()) {}
VirtualClock::~VirtualClock() = default;

double VirtualClock::now() const
{
    const std::lock_guard<std::mutex> guard (core->lock);
    return core->now;
}

void VirtualClock::schedule (const void* owner, double delayMicroseconds, std::function<void()> event)
{
    {
        const std::lock_guard<std::mutex> guard (core->lock);
        core->add (owner, core->now + std::max (0.0, delayMicroseconds), std::move (event));
    }

    core->changed.notify_all();
}

void VirtualClock::cancel (const void* owner)     { core->cancel (owner); }
void VirtualClock::sleep (double microseconds)     { core->wait (microseconds, nullptr, false); }

void VirtualClock::sleepDispatchingMessages (double microseconds)
{
    dispatchPendingMessages();
    core->wait (microseconds, nullptr, true);
}

bool VirtualClock::waitDispatchingMessagesFor (const std::function<bool()>& condition, double timeoutMicroseconds)
{
    // Nothing is dispatched before the wait has begun: whatever a message
    // does, this thread counts as waiting meanwhile, so the thread it waits
    // for can move the time on.
    return core->wait (timeoutMicroseconds, &condition, true);
}

bool VirtualClock::waitFor (const std::function<bool()>& condition, double timeoutMicroseconds)
{
    return core->wait (timeoutMicroseconds, &condition, false);
}

void VirtualClock::notify()
{
    // Taking the lock first: a waiter between reading its condition and
    // sleeping would miss a bare notification.
    { const std::lock_guard<std::mutex> guard (core->lock); }
    core->changed.notify_all();
}

} // namespace sim

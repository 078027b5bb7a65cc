#include "support/EventScheduler.h"

namespace sim
{

RealTimeScheduler::RealTimeScheduler()
    : thread ([this] { run(); })
{
}

RealTimeScheduler::~RealTimeScheduler()
{
    {
        const std::lock_guard<std::mutex> guard (lock);
        stopping = true;
    }

    changed.notify_all();
    thread.join();
}

void RealTimeScheduler::schedule (const void* owner, double delayMicroseconds, std::function<void()> event)
{
    const auto due = Clock::now() + std::chrono::duration_cast<Clock::duration> (
                                        std::chrono::duration<double, std::micro> (delayMicroseconds));
    {
        const std::lock_guard<std::mutex> guard (lock);
        entries.emplace (due, Entry { owner, std::move (event) });
    }

    changed.notify_all();
}

void RealTimeScheduler::cancel (const void* owner)
{
    std::unique_lock<std::mutex> guard (lock);

    // A running event may still schedule another: let it end first.
    changed.wait (guard, [this, owner] { return runningOwner != owner || std::this_thread::get_id() == thread.get_id(); });

    for (auto i = entries.begin(); i != entries.end();)
        i = i->second.owner == owner ? entries.erase (i) : std::next (i);
}

void RealTimeScheduler::run()
{
    std::unique_lock<std::mutex> guard (lock);

    while (! stopping)
    {
        if (entries.empty())
        {
            changed.wait (guard);
            continue;
        }

        auto first = entries.begin();

        if (Clock::now() < first->first)
        {
            // A copy: a cancel during the wait may take the entry away.
            const auto due = first->first;
            changed.wait_until (guard, due);
            continue;
        }

        auto entry = std::move (first->second);
        entries.erase (first);
        runningOwner = entry.owner;

        guard.unlock();
        entry.event();
        guard.lock();

        runningOwner = nullptr;
        changed.notify_all();
    }
}

} // namespace sim

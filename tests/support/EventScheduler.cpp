#include "support/EventScheduler.h"

#include <cmath>

namespace sim
{

RealTimeScheduler::~RealTimeScheduler()
{
    {
        const std::lock_guard<std::mutex> guard (events.lock);
        stopping = true;
    }

    events.changed.notify_all();
    thread.join();
}

double RealTimeScheduler::now() const
{
    return std::chrono::duration<double, std::micro> (std::chrono::steady_clock::now() - start).count();
}

void RealTimeScheduler::schedule (const void* owner, double delayMicroseconds, std::function<void()> event)
{
    {
        const std::lock_guard<std::mutex> guard (events.lock);
        events.add (owner, now() + delayMicroseconds, std::move (event));
    }

    events.changed.notify_all();
}

void RealTimeScheduler::waitUntilIdle()
{
    std::unique_lock<std::mutex> guard (events.lock);
    events.changed.wait (guard, [this] { return std::isinf (events.nextDue()) && ! events.isRunning(); });
}

void RealTimeScheduler::run()
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

} // namespace sim

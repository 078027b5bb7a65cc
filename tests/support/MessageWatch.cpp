#include "support/MessageWatch.h"

#include <unistd.h>

namespace sim
{

MessageWatch::MessageWatch (std::function<bool()> conditionToWatch, std::function<void()> actionToRun)
    : condition (std::move (conditionToWatch)), action (std::move (actionToRun))
{
    if (::pipe (pipeEnds) != 0)
        return;

    // One byte that nobody reads keeps the pipe readable: the event loop
    // calls the watch on every dispatch until it has fired.
    const char byte = 1;
    [[maybe_unused]] auto written = ::write (pipeEnds[1], &byte, 1);

    juce::LinuxEventLoop::registerFdCallback (pipeEnds[0], [this] (int) { check(); });
    registered = true;
}

MessageWatch::~MessageWatch()
{
    if (registered)
        juce::LinuxEventLoop::unregisterFdCallback (pipeEnds[0]);

    for (auto end : pipeEnds)
        if (end >= 0)
            ::close (end);
}

void MessageWatch::check()
{
    if (fired || ! condition())
        return;

    fired = true;
    stopBeingCalled();
    action();
}

void MessageWatch::stopBeingCalled()
{
    char byte = 0;
    [[maybe_unused]] auto taken = ::read (pipeEnds[0], &byte, 1);
}

} // namespace sim

#pragma once

#include <juce_events/juce_events.h>

#include <functional>
#include <memory>

namespace sim
{

/** Runs an action once, on the message thread, as soon as a condition holds.
    The condition is asked each time the message loop dispatches, so also
    inside the program's waits that keep the loop running (with simulated
    pauses those still dispatch once). It stops asking when the watch goes.
    Message thread. */
class MessageWatch
{
public:
    MessageWatch (std::function<bool()> condition, std::function<void()> action)
        : state (std::make_shared<State>())
    {
        state->condition = std::move (condition);
        state->action = std::move (action);
        post (state);
    }

    ~MessageWatch()
    {
        state->active = false;
    }

    bool hasFired() const noexcept  { return state->fired; }

private:
    struct State
    {
        std::function<bool()> condition;
        std::function<void()> action;
        bool active = true;
        bool fired = false;
    };

    static void post (std::shared_ptr<State> watched)
    {
        juce::MessageManager::callAsync ([watched]
        {
            if (! watched->active)
                return;

            if (! watched->condition())
            {
                post (watched);
                return;
            }

            watched->active = false;
            watched->fired = true;
            watched->action();
        });
    }

    std::shared_ptr<State> state;

    JUCE_DECLARE_NON_COPYABLE (MessageWatch)
};

} // namespace sim

#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include <functional>

namespace testsupport
{

/** Acts inside a dialog's modal loop, which the test's own code cannot reach:
    once the dialog is up it runs the action, and on a later pass ends the
    dialog. Message thread; it checks every few milliseconds for the dialog. */
class WhileADialogRuns final : private juce::Timer
{
public:
    WhileADialogRuns (std::function<bool()> dialogIsUp, std::function<void()> action, std::function<void()> endDialog)
        : isUp (std::move (dialogIsUp)), act (std::move (action)), end (std::move (endDialog))
    {
        startTimer (10);
    }

    ~WhileADialogRuns() override   { stopTimer(); }

    bool acted = false, ended = false;

private:
    void timerCallback() override
    {
        if (! isUp())
            return;

        if (! std::exchange (acted, true))
            return act();

        stopTimer();
        ended = true;
        end();
    }

    std::function<bool()> isUp;
    std::function<void()> act, end;
};

} // namespace testsupport

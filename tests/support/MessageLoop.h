#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <unistd.h>

/** For tests that drive the message loop and what it shows: waiting on it,
    finding what is on screen, and acting while a dialog's own loop runs.
    Message thread. */
namespace testsupport
{
    /** Runs the message loop in short slices until the condition holds; gives up
        after a generous limit so that a fault fails the test instead of hanging it.
        Returns the condition's last answer. */
    inline bool dispatchUntil (std::function<bool()> condition, int limitMs = 10000)
    {
        for (int elapsed = 0; ! condition() && elapsed < limitMs; elapsed += 10)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (10);

        return condition();
    }

    /** The text button among the component's children that shows this text, or nullptr. */
    inline juce::TextButton* findButton (juce::Component& parent, const juce::String& text)
    {
        for (auto* child : parent.getChildren())
            if (auto* button = dynamic_cast<juce::TextButton*> (child);
                button != nullptr && button->getButtonText() == text)
                return button;

        return nullptr;
    }

    /** The top-level windows (dialogs and message boxes too) with exactly this title. */
    inline juce::Array<juce::TopLevelWindow*> findWindowsTitled (const juce::String& title)
    {
        juce::Array<juce::TopLevelWindow*> found;

        for (int i = 0; i < juce::TopLevelWindow::getNumTopLevelWindows(); ++i)
            if (auto* window = juce::TopLevelWindow::getTopLevelWindow (i); window->getName() == title)
                found.add (window);

        return found;
    }

    /** A mouse event at a position in the component's own coordinates, as the
        main mouse makes it now with these buttons and keys held. */
    inline juce::MouseEvent mouseEventAt (juce::Component& target, juce::Point<float> position,
                                          juce::ModifierKeys modifiers = {})
    {
        const auto now = juce::Time::getCurrentTime();
        return { juce::Desktop::getInstance().getMainMouseSource(), position, modifiers,
                 juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f,
                 &target, &target, now, position, now, 1, false };
    }

    /** Acts inside a dialog's modal loop, which the test's own code cannot reach:
        once the dialog is up it runs the action, and on a later pass ends the
        dialog. It checks every few milliseconds for the dialog. */
    class WhileADialogRuns final : private juce::Timer
    {
    public:
        WhileADialogRuns (std::function<bool()> dialogIsUp, std::function<void()> action,
                          std::function<void()> endDialog)
            : isUp (std::move (dialogIsUp)), act (std::move (action)), end (std::move (endDialog))
        {
            startTimer (10);
        }

        bool ended = false;

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
        bool acted = false;
    };
}

namespace sim
{

/** Runs an action once, on the message thread, as soon as a condition holds:
    the condition is asked each time the message loop dispatches, also inside
    the program's waits (simulated pauses still dispatch once). A message that
    posts itself again cannot do this (the queue runs until it is empty, so
    the waiting code would never go on); the event loop calls the watch
    instead, through a pipe that it keeps readable.

    Not while a modal loop is entered from inside a message (a dialog opened
    by a posted click): JUCE's Linux loop walks one shared list of ready
    callbacks, which the nested loop refills under the outer walk, and the
    always-ready pipe makes it grow, so the outer walk reads freed memory.
    WhileADialogRuns, on a timer, is for that case. */
class MessageWatch
{
public:
    MessageWatch (std::function<bool()> conditionToWatch, std::function<void()> actionToRun)
        : condition (std::move (conditionToWatch)), action (std::move (actionToRun))
    {
        if (::pipe (pipeEnds) != 0)
            return;

        // One byte that nobody reads keeps the pipe readable: the event loop
        // calls the watch on every dispatch until it has fired.
        [[maybe_unused]] auto written = ::write (pipeEnds[1], "", 1);
        juce::LinuxEventLoop::registerFdCallback (pipeEnds[0], [this] (int) { check(); });
    }

    ~MessageWatch()
    {
        if (pipeEnds[0] >= 0)
            juce::LinuxEventLoop::unregisterFdCallback (pipeEnds[0]);

        for (auto end : pipeEnds)
            if (end >= 0)
                ::close (end);
    }

    bool hasFired() const noexcept  { return fired; }

private:
    void check()
    {
        if (fired || ! condition())
            return;

        fired = true;
        char byte = 0;
        [[maybe_unused]] auto taken = ::read (pipeEnds[0], &byte, 1);   // no more calls
        action();
    }

    std::function<bool()> condition;
    std::function<void()> action;
    int pipeEnds[2] { -1, -1 };
    bool fired = false;

    JUCE_DECLARE_NON_COPYABLE (MessageWatch)
};

} // namespace sim

#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <atomic>

namespace testsupport
{

/** Each message box the program shows while the object lives, as its
    description has it: its title, ". " and its text; and the titles of the
    other modal windows it shows (choosers, dialogs). It looks every few
    milliseconds at the top modal window. Message thread, but for the count,
    which another thread may read. */
class ShownBoxes final : private juce::Timer
{
public:
    ShownBoxes()  { startTimer (5); }

    juce::StringArray texts, otherWindows;

    /** How many boxes have shown so far. Any thread. */
    std::atomic<int> count { 0 };

private:
    void timerCallback() override
    {
        auto* modal = juce::Component::getCurrentlyModalComponent();

        if (modal == nullptr || modal == last.getComponent())
            return;

        last = modal;

        if (auto* box = dynamic_cast<juce::AlertWindow*> (modal))
        {
            texts.add (box->getDescription());
            ++count;
        }
        else
        {
            otherWindows.add (modal->getName());
        }
    }

    juce::Component::SafePointer<juce::Component> last;

    JUCE_DECLARE_NON_COPYABLE (ShownBoxes)
};

} // namespace testsupport

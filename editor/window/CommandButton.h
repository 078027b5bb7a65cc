#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace NsDravel
{
    /** A text button of the editor's command row. It has no behaviour of its
        own: the editor tells its commands apart from the control buttons by
        this class. */
    class CommandButton : public juce::TextButton
    {
    public:
        CommandButton() : juce::TextButton (juce::String()) {}

    private:
        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CommandButton)
    };
}

#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace sim
{

/** A ScriptedPrompts dialog answer for the device chooser: it runs the
    chooser in the program's own modal dialog, picks the item of that text
    (when one is given) and clicks "OK" as a user would. A chooser that
    refuses the "OK" leaves its dialog open; the dialog is then closed, so the
    answer is 0 (closed). Message thread. */
std::function<int (juce::Component&, const juce::String&)> clickOkInDeviceChooser (const juce::String& item = {});

} // namespace sim

#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace NsDravel
{

/** The modal result of the raw-MIDI dialog's "Send" button. "Cancel" and the
    escape key both end the dialog with 0, so that only "Send" sends. */
constexpr int rawMidiSendResult = 1;

/** The raw-MIDI sender's dialog, not yet shown: "Input MIDI you wanted to
    send", with the text editor "MIDI" holding the default bytes and the
    buttons "Send" and "Cancel". Message thread. */
std::unique_ptr<juce::AlertWindow> createRawMidiDialog();

/** The hidden test command that sends hexadecimal bytes typed by the user to
    the keyboard's output port, on a handle of its own opened for the command.

    Creates the host's connection when there is none yet, finds the keyboard's
    output, asks for the bytes in a modal dialog and sends them as one message
    when the user chooses "Send". Does nothing when no keyboard port is known;
    tells the user when the port cannot be opened or the text is not bytes.
    Message thread; runs a modal loop.
*/
void runRawMidiSender();

} // namespace NsDravel

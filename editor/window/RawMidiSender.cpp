#include "editor/window/RawMidiSender.h"

#include "editor/EditorState.h"
#include "editor/device/Host.h"
#include "editor/device/MidiInputHandler.h"
#include "midi/MidiPortSystem.h"
#include "editor/device/PortNames.h"
#include "editor/messages/RawMidiText.h"

namespace NsDravel
{

std::unique_ptr<juce::AlertWindow> createRawMidiDialog()
{
    auto dialog = std::make_unique<juce::AlertWindow> ("Input MIDI you wanted to send",
                                                       "MIDI for sending:",
                                                       juce::MessageBoxIconType::InfoIcon);
    dialog->addTextEditor ("MIDI", defaultRawMidiText, {}, false);
    dialog->addButton ("Send", rawMidiSendResult);
    dialog->addButton ("Cancel", 0);
    return dialog;
}

namespace
{
    /** The output the keyboard is reached on: the connection's own first
        output, or else the first keyboard the system lists. */
    juce::String keyboardOutputName()
    {
        if (auto* host = Host::getInstance())
        {
            if (host->connection == nullptr)
                host->connection = std::make_unique<Host::MidiInputHandler>();

            if (auto* first = host->connection->getFirstOutput())
                return first->getName();
        }

        return findDravelDeviceName();
    }
}

void runRawMidiSender()
{
    const auto name = keyboardOutputName();
    auto& ports = MidiPortSystem::getCurrent();
    const auto devices = ports.getOutputDevices();
    const auto index = namesOf (devices).indexOf (name);

    if (index < 0)
        return;

    // A handle of our own, so that the device link's traffic goes on untouched.
    auto output = ports.openOutput (devices.getReference (index).identifier);

    if (output == nullptr)
    {
        juce::AlertWindow::showMessageBoxAsync (juce::MessageBoxIconType::InfoIcon, {},
                                                juce::translate ("WARNING") + ": " + "Open MIDI output failed!");
        return;
    }

    auto dialog = createRawMidiDialog();

    if (dialog->runModalLoop() != rawMidiSendResult)
        return;

    std::vector<juce::uint8> bytes;
    const auto parsed = parseRawMidiText (dialog->getTextEditorContents ("MIDI"), bytes);

    if (parsed.failed())
    {
        juce::AlertWindow::showMessageBoxAsync (juce::MessageBoxIconType::NoIcon, {}, parsed.getErrorMessage());
        return;
    }

    // Sent as typed, unchecked: this command exists to try out what the keyboard does with any bytes.
    if (! bytes.empty())
        output->sendMessageNow (juce::MidiMessage (bytes.data(), (int) bytes.size(), 0.0));
}

} // namespace NsDravel

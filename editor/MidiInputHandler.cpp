#include "editor/MidiInputHandler.h"

#include "editor/EditorState.h"
#include "editor/KeyboardMessages.h"
#include "editor/MainComp.h"
#include "editor/PortNames.h"
#include "firmware/catalogue/PortNameTable.h"
#include "firmware/UpgraderState.h"

namespace NsDravel
{

namespace
{
    /** Puts the keyboard's version text into the editor's label. Message thread. */
    void showFirmwareVersion (const juce::String& text)
    {
        // Looked up only now, on the message thread: the editor may have gone
        // (or be going) since the reply arrived, and then there is nothing to show.
        juce::Component::SafePointer<MainComp> editor (theMainComp);

        if (editor != nullptr && editor->fwVersionLabel != nullptr)
            editor->fwVersionLabel->setText (text, juce::sendNotification);
    }
}

Host::MidiInputHandler::MidiInputHandler()
{
    halvik::resetReplyFlags();
    openDevices (isDravelModelRange, isSecondPort);
}

Host::MidiInputHandler::~MidiInputHandler()
{
    // No callback may run on a handler that is being taken apart.
    closing.exchange (1);

    for (auto& input : inputs)
        input->stop();

    outputs.clear();
    inputs.clear();
}

bool Host::MidiInputHandler::openDevices (std::function<bool (int)> productFilter,
                                          std::function<bool (int)> portFilter)
{
    pauseMicroseconds (3000.0);
    closeDevices();

    auto& system = MidiPortSystem::getCurrent();
    auto outputDevices = system.getOutputDevices();
    auto outputNames = namesOf (outputDevices);

    for (auto& input : system.getInputDevices())
    {
        auto outputName = companionPortName (input.name, false);

        if (! productFilter (halvik::getProductIdFromPortName (input.name)))
            continue;

        if (! portFilter (portNumberOfName (input.name)))
            continue;

        std::unique_ptr<MidiOutputPort> output;
        auto outputIndex = outputNames.indexOf (outputName);

        if (outputIndex >= 0)
            output = system.openOutput (outputDevices.getReference (outputIndex).identifier);

        auto opened = system.openInput (input.identifier, this);

        // Half a pair is no use: whatever of it opened is released here.
        if (output != nullptr && opened != nullptr)
        {
            outputs.push_back (std::move (output));
            opened->start();
            inputs.push_back (std::move (opened));
            ++pairCount;
        }
    }

    closing.exchange (0);
    return pairCount != 0;
}

void Host::MidiInputHandler::closeDevices()
{
    closing.exchange (1);

    for (auto& input : inputs)
        input->stop();

    inputs.clear();
    outputs.clear();
    pairCount = 0;
}

MidiOutputPort* Host::MidiInputHandler::findOpenOutput (const juce::String& identifier) const
{
    for (auto& output : outputs)
        if (output->getIdentifier() == identifier)
            return output.get();

    return nullptr;
}

void Host::MidiInputHandler::handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage& message)
{
    if (closing.load() != 0)
        return;

    if (auto versionText = decodeVersionReply (message, productId.load()))
        juce::MessageManager::callAsync ([text = *versionText] { showFirmwareVersion (text); });

    midiReceivedFlag = true;
}

} // namespace NsDravel

#include "editor/device/MidiInputHandler.h"

#include "editor/EditorState.h"
#include "editor/messages/KeyboardMessages.h"
#include "editor/window/MainComp.h"
#include "editor/device/PortNames.h"
#include "firmware/catalogue/PortNameTable.h"
#include "firmware/UpgraderState.h"
#include "midi/MidiPortNames.h"

namespace NsDravel
{

namespace
{
    /** The index in the output list of the output that belongs to the same
        device port as this input, or -1. ALSA lists both directions of one
        port under one identifier, which tells apart two devices of the same
        model (and so the same names); other systems name the two directions
        differently, and the companion name finds the output. */
    int indexOfCompanionOutput (const juce::MidiDeviceInfo& input, const juce::Array<juce::MidiDeviceInfo>& outputs)
    {
        for (int i = 0; i < outputs.size(); ++i)
            if (outputs.getReference (i).identifier == input.identifier)
                return i;

        return namesOf (outputs).indexOf (companionPortName (input.name, false));
    }

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
    const auto outputDevices = listMidiOutputs();

    for (auto& input : listMidiInputs())
    {
        if (! productFilter (halvik::getProductIdFromPortName (input.name)))
            continue;

        if (! portFilter (portNumberOfName (input.name)))
            continue;

        std::unique_ptr<MidiOutputPort> output;
        auto outputIndex = indexOfCompanionOutput (input, outputDevices);

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

MidiOutputPort* Host::MidiInputHandler::findOpenOutputNamed (const juce::String& name) const
{
    for (auto& output : outputs)
        if (output->getName() == name)
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

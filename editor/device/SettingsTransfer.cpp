#include "editor/device/HostImpl.h"

#include "editor/model/DeviceSettingsImage.h"
#include "editor/EditorState.h"
#include "editor/messages/KeyboardMessages.h"
#include "editor/device/MidiInputHandler.h"
#include "midi/MidiPortNames.h"
#include "midi/MidiPortSystem.h"

namespace NsDravel
{

Host::Impl::OutputLease Host::Impl::leaseOutput (const juce::MidiDeviceInfo& device) const
{
    OutputLease lease;

    // The connection may already hold a port of this name open: the sending
    // goes through it. Two keyboards of one model are listed under the same
    // name, and the one the connection holds is the one it listens to; a
    // second open of the same port would also fail on some systems.
    if (theHost != nullptr && theHost->connection != nullptr)
        lease.port = theHost->connection->findOpenOutputNamed (device.name);

    if (lease.port == nullptr)
    {
        lease.opened = MidiPortSystem::getCurrent().openOutput (device.identifier);
        lease.port = lease.opened.get();
    }

    return lease;
}

juce::Result Host::Impl::writeSettingsToDevice()
{
    auto modeIndex = getModeIndexOfMap (model.getCurrentMap());

    if (outputName.isEmpty())
        return juce::Result::fail ("No device selected");

    auto devices = listMidiOutputs();
    auto index = namesOf (devices).indexOf (outputName);

    if (index < 0)
        return juce::Result::fail (outputName + ": device does not exist");

    auto lease = leaseOutput (devices.getReference (index));

    if (lease.port == nullptr)
        return juce::Result::fail (outputName + ": could not open device");

    auto& output = *lease.port;
    const auto wakeUp = makeWakeUpMessage();

    // Sends counted towards a 1 ms pause on every second one.
    int sendCount = 1;
    auto pacedStep = [&sendCount]
    {
        if (++sendCount == 2)
        {
            pauseMicroseconds (1000.0);
            sendCount = 0;
        }
    };

    output.sendMessageNow (wakeUp);
    pauseMicroseconds (1000.0);
    output.sendMessageNow (makeModeSelectSysex (model.getProductId(), (juce::uint8) modeIndex));
    pauseMicroseconds (2000.0);
    output.sendMessageNow (wakeUp);

    juce::MidiBuffer buffer;

    for (auto byte : getImageBytesInSendOrder())
    {
        buffer.addEvent (makeSettingsByteMessage (byte), 0);
        output.sendBlockOfMessagesNow (buffer);
        buffer.clear();
        pacedStep();
    }

    output.sendMessageNow (wakeUp);
    pacedStep();
    output.sendMessageNow (makeEndMarkerMessage());
    pacedStep();
    pauseMicroseconds (1000.0);
    output.sendMessageNow (wakeUp);
    pauseMicroseconds (500.0);
    output.sendMessageNow (makeParameterSysex (0x0201, 0));    // parameter 0x0201 = 0: take the settings
    pauseMicroseconds (1500.0);

    return juce::Result::ok();
}

juce::Result Host::Impl::sendMidiBuffer (const juce::MidiBuffer& buffer)
{
    if (theHost != nullptr && theHost->connection != nullptr)
        if (auto* first = theHost->connection->getFirstOutput())
            outputName = first->getName();

    if (outputName.isEmpty())
        return juce::Result::fail ("No device selected!");

    auto devices = listMidiOutputs();
    auto index = namesOf (devices).indexOf (outputName);

    if (index < 0)
        return juce::Result::fail (outputName.quoted() + " does not exist!");

    auto lease = leaseOutput (devices.getReference (index));

    if (lease.port == nullptr)
        return juce::Result::fail ("Could not open " + outputName.quoted() + "!");

    lease.port->sendBlockOfMessagesNow (buffer);
    return juce::Result::ok();
}

} // namespace NsDravel

#include "midi/MidiPortSystem.h"

#include "midi/MidiPortNames.h"

#include <alsa/asoundlib.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace NsDravel
{

namespace
{
    class SystemInputPort final : public MidiInputPort
    {
    public:
        explicit SystemInputPort (std::unique_ptr<juce::MidiInput> openedPort)
            : port (std::move (openedPort))
        {
        }

        void start() override               { port->start(); }
        void stop() override                { port->stop(); }
        juce::String getName() const override       { return port->getName(); }
        juce::String getIdentifier() const override { return port->getIdentifier(); }

    private:
        std::unique_ptr<juce::MidiInput> port;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SystemInputPort)
    };

    class SystemOutputPort final : public MidiOutputPort
    {
    public:
        explicit SystemOutputPort (std::unique_ptr<juce::MidiOutput> openedPort)
            : port (std::move (openedPort))
        {
        }

        void sendMessageNow (const juce::MidiMessage& message) override       { port->sendMessageNow (message); }
        void sendBlockOfMessagesNow (const juce::MidiBuffer& buffer) override { port->sendBlockOfMessagesNow (buffer); }
        juce::String getName() const override                                 { return port->getName(); }
        juce::String getIdentifier() const override                           { return port->getIdentifier(); }

    private:
        std::unique_ptr<juce::MidiOutput> port;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SystemOutputPort)
    };

    // The port list is read on every timer tick; on a machine without a MIDI
    // sequencer ALSA would print the same complaint to stderr three times a second.
    void ignoreAlsaMessage (const char*, int, const char*, int, const char*, ...) {}

    /** The operating system's ports, through JUCE. */
    class SystemMidiPorts final : public MidiPortSystem
    {
    public:
        SystemMidiPorts()
        {
            snd_lib_error_set_handler (ignoreAlsaMessage);
        }

        juce::Array<juce::MidiDeviceInfo> getInputDevices() override  { return juce::MidiInput::getAvailableDevices(); }
        juce::Array<juce::MidiDeviceInfo> getOutputDevices() override { return juce::MidiOutput::getAvailableDevices(); }

        std::unique_ptr<MidiInputPort> openInput (const juce::String& identifier,
                                                  juce::MidiInputCallback* callback) override
        {
            if (auto port = juce::MidiInput::openDevice (identifier, callback))
                return std::make_unique<SystemInputPort> (std::move (port));

            return {};
        }

        std::unique_ptr<MidiOutputPort> openOutput (const juce::String& identifier) override
        {
            if (auto port = juce::MidiOutput::openDevice (identifier))
                return std::make_unique<SystemOutputPort> (std::move (port));

            return {};
        }
    };

    SystemMidiPorts& systemPorts()
    {
        static SystemMidiPorts ports;
        return ports;
    }

    std::atomic<MidiPortSystem*> installedSystem { nullptr };
}

void MidiPortSystem::pause (double microseconds)
{
    std::this_thread::sleep_for (std::chrono::duration<double, std::micro> (microseconds));
}

void MidiPortSystem::waitDispatchingMessages (double milliseconds)
{
    auto remaining = juce::roundToInt (milliseconds);

    while (remaining >= 1)
    {
        const auto slice = juce::jmin (remaining, 100);
        juce::MessageManager::getInstance()->runDispatchLoopUntil (slice);
        remaining -= slice;
    }
}

MidiPortSystem& MidiPortSystem::getCurrent()
{
    if (auto* installed = installedSystem.load())
        return *installed;

    return systemPorts();
}

MidiPortSystem* MidiPortSystem::setCurrent (MidiPortSystem* newSystem)
{
    return installedSystem.exchange (newSystem);
}

juce::StringArray namesOf (const juce::Array<juce::MidiDeviceInfo>& devices)
{
    juce::StringArray names;

    for (auto& device : devices)
        names.add (device.name);

    return names;
}

//==============================================================================
namespace
{
    // The outermost scope open on this thread; inner ones leave it in charge,
    // and other threads keep reading the lists afresh.
    thread_local PortListScope* activeScope = nullptr;
}

PortListScope::PortListScope()
{
    if (activeScope == nullptr)
        activeScope = this;
}

PortListScope::~PortListScope()
{
    if (activeScope == this)
        activeScope = nullptr;
}

juce::Array<juce::MidiDeviceInfo> listMidiOutputs()
{
    if (activeScope == nullptr)
        return MidiPortSystem::getCurrent().getOutputDevices();

    if (! activeScope->outputs.has_value())
        activeScope->outputs = MidiPortSystem::getCurrent().getOutputDevices();

    return *activeScope->outputs;
}

juce::Array<juce::MidiDeviceInfo> listMidiInputs()
{
    if (activeScope == nullptr)
        return MidiPortSystem::getCurrent().getInputDevices();

    if (! activeScope->inputs.has_value())
        activeScope->inputs = MidiPortSystem::getCurrent().getInputDevices();

    return *activeScope->inputs;
}

juce::StringArray listMidiOutputNames()
{
    return namesOf (listMidiOutputs());
}

juce::StringArray listMidiInputNames()
{
    return namesOf (listMidiInputs());
}

void pauseMicroseconds (double microseconds)
{
    MidiPortSystem::getCurrent().pause (microseconds);
}

void waitDispatchingMessages (double milliseconds)
{
    MidiPortSystem::getCurrent().waitDispatchingMessages (milliseconds);
}

} // namespace NsDravel

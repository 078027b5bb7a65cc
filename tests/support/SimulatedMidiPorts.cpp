#include "support/SimulatedMidiPorts.h"
#include "support/VirtualClock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <map>
#include <mutex>
#include <thread>

namespace sim
{

namespace
{
    struct PublishedPort
    {
        juce::String name, identifier;
        bool isOutput = false;
        PortEndpoint* endpoint = nullptr;
    };

    class SimulatedInput;
    class SimulatedOutput;
}

struct SimulatedMidiPorts::Core
{
    // Guards the published lists, the timeline and the counters.
    mutable std::mutex lock;
    std::vector<PublishedPort> published;
    juce::StringArray refused;
    std::vector<Event> events;
    std::map<juce::String, int> inputOpens, outputOpens;
    std::vector<SimulatedOutput*> openOutputs;
    int nextIdentifier = 1;
    int inputListings = 0, outputListings = 0;

    // Guards the open inputs and every callback into the program, so that an
    // input that has been stopped or released never calls back again.
    std::mutex delivery;
    std::vector<SimulatedInput*> openInputs;

    std::atomic<bool> realPauses { true };
    std::atomic<VirtualClock*> clock { nullptr };

    // One identifier may stand for both directions of a port, as on ALSA.
    const PublishedPort* findPublished (const juce::String& identifier, bool isOutput) const
    {
        for (auto& port : published)
            if (port.identifier == identifier && port.isOutput == isOutput)
                return &port;

        return nullptr;
    }

    juce::String publishedIdentifier (const juce::String& nameOrIdentifier, bool isOutput) const
    {
        for (auto& port : published)
            if (port.isOutput == isOutput && (port.name == nameOrIdentifier || port.identifier == nameOrIdentifier))
                return port.identifier;

        return {};
    }

    bool isRefused (const PublishedPort& port) const
    {
        return refused.contains (port.name) || refused.contains (port.identifier);
    }

    juce::String newIdentifier()
    {
        return "sim-" + juce::String (nextIdentifier++);
    }

    void deliverToDevice (const juce::String& identifier, const juce::MidiMessage& message)
    {
        PortEndpoint* endpoint = nullptr;
        juce::String name;

        {
            const std::lock_guard<std::mutex> guard (lock);

            auto* port = findPublished (identifier, true);

            if (port == nullptr)
                return;     // unplugged: the message goes nowhere

            endpoint = port->endpoint;
            name = port->name;
            events.push_back ({ false, name, message, 0.0 });
        }

        if (endpoint != nullptr)
            endpoint->receiveFromProgram (name, message);
    }
};

namespace
{
    class SimulatedInput final : public NsDravel::MidiInputPort
    {
    public:
        SimulatedInput (std::shared_ptr<SimulatedMidiPorts::Core> c, juce::String n, juce::String id,
                        juce::MidiInputCallback* cb)
            : core (std::move (c)), name (std::move (n)), identifier (std::move (id)), callback (cb)
        {
            const std::lock_guard<std::mutex> guard (core->delivery);
            core->openInputs.push_back (this);
        }

        ~SimulatedInput() override
        {
            const std::lock_guard<std::mutex> guard (core->delivery);
            auto& inputs = core->openInputs;
            inputs.erase (std::remove (inputs.begin(), inputs.end(), this), inputs.end());
        }

        void start() override
        {
            const std::lock_guard<std::mutex> guard (core->delivery);
            started = true;
        }

        void stop() override
        {
            const std::lock_guard<std::mutex> guard (core->delivery);
            started = false;
        }

        juce::String getName() const override       { return name; }
        juce::String getIdentifier() const override { return identifier; }

        std::shared_ptr<SimulatedMidiPorts::Core> core;
        const juce::String name, identifier;
        juce::MidiInputCallback* const callback;
        bool started = false;   // guarded by core->delivery
    };

    class SimulatedOutput final : public NsDravel::MidiOutputPort
    {
    public:
        SimulatedOutput (std::shared_ptr<SimulatedMidiPorts::Core> c, juce::String n, juce::String id)
            : core (std::move (c)), name (std::move (n)), identifier (std::move (id))
        {
            const std::lock_guard<std::mutex> guard (core->lock);
            core->openOutputs.push_back (this);
        }

        ~SimulatedOutput() override
        {
            const std::lock_guard<std::mutex> guard (core->lock);
            auto& outputs = core->openOutputs;
            outputs.erase (std::remove (outputs.begin(), outputs.end(), this), outputs.end());
        }

        void sendMessageNow (const juce::MidiMessage& message) override
        {
            core->deliverToDevice (identifier, message);
        }

        void sendBlockOfMessagesNow (const juce::MidiBuffer& buffer) override
        {
            for (const auto metadata : buffer)
                core->deliverToDevice (identifier, metadata.getMessage());
        }

        juce::String getName() const override       { return name; }
        juce::String getIdentifier() const override { return identifier; }

        std::shared_ptr<SimulatedMidiPorts::Core> core;
        const juce::String name, identifier;
    };
}

//==============================================================================
SimulatedMidiPorts::SimulatedMidiPorts()
    : core (std::make_shared<Core>())
{
    previous = NsDravel::MidiPortSystem::setCurrent (this);
}

SimulatedMidiPorts::~SimulatedMidiPorts()
{
    NsDravel::MidiPortSystem::setCurrent (previous);
}

juce::String SimulatedMidiPorts::publishOutput (const juce::String& name, PortEndpoint& endpoint)
{
    const std::lock_guard<std::mutex> guard (core->lock);
    auto identifier = core->newIdentifier();
    core->published.push_back ({ name, identifier, true, &endpoint });
    return identifier;
}

juce::String SimulatedMidiPorts::publishInput (const juce::String& name)
{
    const std::lock_guard<std::mutex> guard (core->lock);
    auto identifier = core->newIdentifier();
    core->published.push_back ({ name, identifier, false, nullptr });
    return identifier;
}

juce::String SimulatedMidiPorts::publishPort (const juce::String& name, PortEndpoint& endpoint)
{
    const std::lock_guard<std::mutex> guard (core->lock);
    auto identifier = core->newIdentifier();
    core->published.push_back ({ name, identifier, false, nullptr });
    core->published.push_back ({ name, identifier, true, &endpoint });
    return identifier;
}

void SimulatedMidiPorts::withdraw (const juce::String& name)
{
    const std::lock_guard<std::mutex> guard (core->lock);
    auto& ports = core->published;
    ports.erase (std::remove_if (ports.begin(), ports.end(), [&] (auto& p) { return p.name == name || p.identifier == name; }),
                 ports.end());
}

void SimulatedMidiPorts::setRefusingOpens (const juce::String& name, bool shouldRefuse)
{
    const std::lock_guard<std::mutex> guard (core->lock);

    if (shouldRefuse)
        core->refused.addIfNotAlreadyThere (name);
    else
        core->refused.removeString (name);
}

bool SimulatedMidiPorts::sendToProgram (const juce::String& inputName, const juce::MidiMessage& message)
{
    const std::lock_guard<std::mutex> deliveryGuard (core->delivery);

    juce::String identifier;
    {
        const std::lock_guard<std::mutex> guard (core->lock);
        identifier = core->publishedIdentifier (inputName, false);
    }

    if (identifier.isEmpty())
        return false;

    bool delivered = false;

    for (auto* input : core->openInputs)
    {
        auto* simulated = static_cast<SimulatedInput*> (input);

        if (simulated->identifier == identifier && simulated->started)
        {
            simulated->callback->handleIncomingMidiMessage (nullptr, message);
            delivered = true;
        }
    }

    return delivered;
}

//==============================================================================
std::vector<SimulatedMidiPorts::Event> SimulatedMidiPorts::timeline() const
{
    const std::lock_guard<std::mutex> guard (core->lock);
    return core->events;
}

juce::StringArray SimulatedMidiPorts::describeTimeline() const
{
    juce::StringArray lines;

    for (auto& event : timeline())
        lines.add (! event.isPause ? hexOf (event.message)
                                   : "pause " + (event.microseconds == std::floor (event.microseconds)
                                                    ? juce::String ((juce::int64) event.microseconds)
                                                    : juce::String (event.microseconds)));

    return lines;
}

double SimulatedMidiPorts::totalPauseMicroseconds() const
{
    double total = 0.0;

    for (auto& event : timeline())
        if (event.isPause)
            total += event.microseconds;

    return total;
}

void SimulatedMidiPorts::clearTimeline()
{
    const std::lock_guard<std::mutex> guard (core->lock);
    core->events.clear();
}

int SimulatedMidiPorts::inputOpenCount (const juce::String& name) const
{
    const std::lock_guard<std::mutex> guard (core->lock);
    auto found = core->inputOpens.find (name);
    return found == core->inputOpens.end() ? 0 : found->second;
}

int SimulatedMidiPorts::outputOpenCount (const juce::String& name) const
{
    const std::lock_guard<std::mutex> guard (core->lock);
    auto found = core->outputOpens.find (name);
    return found == core->outputOpens.end() ? 0 : found->second;
}

int SimulatedMidiPorts::openInputsNow (const juce::String& name) const
{
    const std::lock_guard<std::mutex> guard (core->delivery);
    return (int) std::count_if (core->openInputs.begin(), core->openInputs.end(), [&] (auto* input)
    {
        auto* simulated = static_cast<SimulatedInput*> (input);
        return simulated->name == name || simulated->identifier == name;
    });
}

int SimulatedMidiPorts::openOutputsNow (const juce::String& name) const
{
    const std::lock_guard<std::mutex> guard (core->lock);
    return (int) std::count_if (core->openOutputs.begin(), core->openOutputs.end(), [&] (auto* output)
    {
        auto* simulated = static_cast<SimulatedOutput*> (output);
        return simulated->name == name || simulated->identifier == name;
    });
}

int SimulatedMidiPorts::inputListings() const
{
    const std::lock_guard<std::mutex> guard (core->lock);
    return core->inputListings;
}

int SimulatedMidiPorts::outputListings() const
{
    const std::lock_guard<std::mutex> guard (core->lock);
    return core->outputListings;
}

void SimulatedMidiPorts::setRealPauses (bool shouldWait)
{
    core->realPauses = shouldWait;
}

void SimulatedMidiPorts::setClock (VirtualClock* clockToUse)
{
    core->clock = clockToUse;
}

//==============================================================================
juce::Array<juce::MidiDeviceInfo> SimulatedMidiPorts::getInputDevices()
{
    const std::lock_guard<std::mutex> guard (core->lock);
    juce::Array<juce::MidiDeviceInfo> devices;
    ++core->inputListings;

    for (auto& port : core->published)
        if (! port.isOutput)
            devices.add ({ port.name, port.identifier });

    return devices;
}

juce::Array<juce::MidiDeviceInfo> SimulatedMidiPorts::getOutputDevices()
{
    const std::lock_guard<std::mutex> guard (core->lock);
    juce::Array<juce::MidiDeviceInfo> devices;
    ++core->outputListings;

    for (auto& port : core->published)
        if (port.isOutput)
            devices.add ({ port.name, port.identifier });

    return devices;
}

std::unique_ptr<NsDravel::MidiInputPort> SimulatedMidiPorts::openInput (const juce::String& identifier,
                                                                      juce::MidiInputCallback* callback)
{
    juce::String name;
    {
        const std::lock_guard<std::mutex> guard (core->lock);
        auto* port = core->findPublished (identifier, false);

        if (port == nullptr || callback == nullptr || core->isRefused (*port))
            return {};

        name = port->name;
        ++core->inputOpens[name];
        ++core->inputOpens[identifier];
    }

    return std::make_unique<SimulatedInput> (core, name, identifier, callback);
}

std::unique_ptr<NsDravel::MidiOutputPort> SimulatedMidiPorts::openOutput (const juce::String& identifier)
{
    juce::String name;
    {
        const std::lock_guard<std::mutex> guard (core->lock);
        auto* port = core->findPublished (identifier, true);

        if (port == nullptr || core->isRefused (*port))
            return {};

        name = port->name;
        ++core->outputOpens[name];
        ++core->outputOpens[identifier];
    }

    return std::make_unique<SimulatedOutput> (core, name, identifier);
}

void SimulatedMidiPorts::pause (double microseconds)
{
    {
        const std::lock_guard<std::mutex> guard (core->lock);
        core->events.push_back ({ true, {}, {}, microseconds });
    }

    if (auto* clock = core->clock.load())
        clock->sleep (microseconds);
    else if (core->realPauses)
        NsDravel::MidiPortSystem::pause (microseconds);
}

void SimulatedMidiPorts::waitDispatchingMessages (double milliseconds)
{
    {
        const std::lock_guard<std::mutex> guard (core->lock);
        core->events.push_back ({ true, {}, {}, milliseconds * 1000.0 });
    }

    if (auto* clock = core->clock.load())
        clock->sleepDispatchingMessages (milliseconds * 1000.0);
    else if (core->realPauses)
        NsDravel::MidiPortSystem::waitDispatchingMessages (milliseconds);
    else
        juce::MessageManager::getInstance()->runDispatchLoopUntil (1);
}

bool SimulatedMidiPorts::waitDispatchingMessagesUntil (const std::function<bool()>& done, double timeoutMilliseconds)
{
    if (auto* clock = core->clock.load())
        return clock->waitDispatchingMessagesFor (done, timeoutMilliseconds * 1000.0);

    return NsDravel::MidiPortSystem::waitDispatchingMessagesUntil (done, timeoutMilliseconds);
}

bool SimulatedMidiPorts::waitForReply (const std::function<bool()>& replied, double timeoutMicroseconds)
{
    // Without a clock a reply wait really waits, for the reply or the time-out:
    // a device on a thread of its own may still be about to answer.
    if (auto* clock = core->clock.load())
        return clock->waitFor (replied, timeoutMicroseconds);

    return NsDravel::MidiPortSystem::waitForReply (replied, timeoutMicroseconds);
}

void SimulatedMidiPorts::wakeReplyWaiters()
{
    NsDravel::MidiPortSystem::wakeReplyWaiters();

    if (auto* clock = core->clock.load())
        clock->notify();
}

juce::String SimulatedMidiPorts::hexOf (const juce::MidiMessage& message)
{
    return juce::String::toHexString (message.getRawData(), message.getRawDataSize()).toUpperCase();
}

} // namespace sim

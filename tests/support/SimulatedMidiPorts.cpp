#include "support/SimulatedMidiPorts.h"
#include "support/VirtualClock.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <mutex>

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

    /** What an opened port of either direction knows of itself. */
    struct OpenPort
    {
        std::shared_ptr<SimulatedMidiPorts::Core> core;
        juce::String name, identifier;

        bool is (const juce::String& nameOrIdentifier) const  { return name == nameOrIdentifier || identifier == nameOrIdentifier; }
    };

    class SimulatedInput;
    class SimulatedOutput;

    template <typename Port>
    int countNamed (const std::vector<Port*>& open, const juce::String& name)
    {
        return (int) std::count_if (open.begin(), open.end(), [&] (auto* port) { return port->is (name); });
    }

    template <typename Action>
    auto lockedBy (std::mutex& lock, Action&& action) -> decltype (action())
    {
        const std::lock_guard<std::mutex> guard (lock);
        return action();
    }
}

struct SimulatedMidiPorts::Core
{
    // Guards the published lists, the timeline, the counters and the open outputs.
    std::mutex lock;
    std::vector<PublishedPort> published;
    juce::StringArray refused;
    std::vector<Event> events;
    std::map<juce::String, int> opens[2];           // of inputs, of outputs; by name and by identifier
    std::vector<SimulatedOutput*> openOutputs;
    int nextIdentifier = 1;
    int listings[2] {};                             // of inputs, of outputs

    // Guards the open inputs and every callback into the program, so that an
    // input that has been stopped or released never calls back again.
    std::mutex delivery;
    std::vector<SimulatedInput*> openInputs;

    std::atomic<bool> realPauses { false };
    std::atomic<VirtualClock*> clock { nullptr };

    template <typename Action>
    auto locked (Action&& action) -> decltype (action())    { return lockedBy (lock, action); }

    // Counts an open of the port and gives its name; empty when it may not
    // open. One identifier may stand for both directions, as on ALSA.
    juce::String opened (const juce::String& identifier, bool isOutput)
    {
        const std::lock_guard<std::mutex> guard (lock);

        for (auto& port : published)
        {
            if (port.identifier == identifier && port.isOutput == isOutput)
            {
                if (refused.contains (port.name) || refused.contains (port.identifier))
                    return {};

                ++opens[isOutput][port.name];
                ++opens[isOutput][identifier];
                return port.name;
            }
        }

        return {};
    }

    juce::Array<juce::MidiDeviceInfo> list (bool outputs)
    {
        const std::lock_guard<std::mutex> guard (lock);
        ++listings[outputs];
        juce::Array<juce::MidiDeviceInfo> devices;

        for (auto& port : published)
            if (port.isOutput == outputs)
                devices.add ({ port.name, port.identifier });

        return devices;
    }

    void deliverToDevice (const juce::String& identifier, const juce::MidiMessage& message)
    {
        PortEndpoint* endpoint = nullptr;
        juce::String name;

        {
            const std::lock_guard<std::mutex> guard (lock);
            auto found = std::find_if (published.begin(), published.end(),
                                       [&] (auto& port) { return port.identifier == identifier && port.isOutput; });

            if (found == published.end())
                return;     // unplugged: the message goes nowhere

            endpoint = found->endpoint;
            name = found->name;
            events.push_back ({ false, name, message, 0.0 });
        }

        if (endpoint != nullptr)
            endpoint->receiveFromProgram (name, message);
    }

    void recordPause (double microseconds)
    {
        locked ([&] { events.push_back ({ true, {}, {}, microseconds }); });
    }
};

namespace
{
    // Each port enters its list of open ports when made and leaves it when released.
    template <typename Port>
    void enter (std::mutex& lock, std::vector<Port*>& open, Port* port)   { lockedBy (lock, [&] { open.push_back (port); }); }

    template <typename Port>
    void leave (std::mutex& lock, std::vector<Port*>& open, Port* port)
    {
        lockedBy (lock, [&] { open.erase (std::remove (open.begin(), open.end(), port), open.end()); });
    }

    class SimulatedInput final : public NsDravel::MidiInputPort, public OpenPort
    {
    public:
        SimulatedInput (OpenPort port, juce::MidiInputCallback* cb)
            : OpenPort (std::move (port)), callback (cb)     { enter (core->delivery, core->openInputs, this); }
        ~SimulatedInput() override                          { leave (core->delivery, core->openInputs, this); }

        void start() override   { lockedBy (core->delivery, [this] { started = true; }); }
        void stop() override    { lockedBy (core->delivery, [this] { started = false; }); }

        juce::String getName() const override       { return name; }
        juce::String getIdentifier() const override { return identifier; }

        juce::MidiInputCallback* const callback;
        bool started = false;   // guarded by core->delivery
    };

    class SimulatedOutput final : public NsDravel::MidiOutputPort, public OpenPort
    {
    public:
        explicit SimulatedOutput (OpenPort port) : OpenPort (std::move (port))  { enter (core->lock, core->openOutputs, this); }
        ~SimulatedOutput() override                                             { leave (core->lock, core->openOutputs, this); }

        void sendMessageNow (const juce::MidiMessage& message) override         { core->deliverToDevice (identifier, message); }

        void sendBlockOfMessagesNow (const juce::MidiBuffer& buffer) override
        {
            for (const auto metadata : buffer)
                core->deliverToDevice (identifier, metadata.getMessage());
        }

        juce::String getName() const override       { return name; }
        juce::String getIdentifier() const override { return identifier; }
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

juce::String SimulatedMidiPorts::publish (const juce::String& name, PortEndpoint* endpoint, bool asInput, bool asOutput)
{
    return core->locked ([&]
    {
        const auto identifier = "sim-" + juce::String (core->nextIdentifier++);

        if (asInput)
            core->published.push_back ({ name, identifier, false, nullptr });

        if (asOutput)
            core->published.push_back ({ name, identifier, true, endpoint });

        return identifier;
    });
}

juce::String SimulatedMidiPorts::publishOutput (const juce::String& name, PortEndpoint* endpoint)  { return publish (name, endpoint, false, true); }
juce::String SimulatedMidiPorts::publishInput (const juce::String& name)                           { return publish (name, nullptr, true, false); }
juce::String SimulatedMidiPorts::publishPort (const juce::String& name, PortEndpoint* endpoint)    { return publish (name, endpoint, true, true); }

void SimulatedMidiPorts::withdraw (const juce::String& name)
{
    core->locked ([&]
    {
        auto& ports = core->published;
        ports.erase (std::remove_if (ports.begin(), ports.end(), [&] (auto& p) { return p.name == name || p.identifier == name; }),
                     ports.end());
    });
}

void SimulatedMidiPorts::setRefusingOpens (const juce::String& name, bool shouldRefuse)
{
    core->locked ([&]
    {
        if (shouldRefuse)
            core->refused.addIfNotAlreadyThere (name);
        else
            core->refused.removeString (name);
    });
}

bool SimulatedMidiPorts::sendToProgram (const juce::String& inputName, const juce::MidiMessage& message)
{
    const std::lock_guard<std::mutex> deliveryGuard (core->delivery);

    const auto identifier = core->locked ([&]
    {
        for (auto& port : core->published)
            if (! port.isOutput && (port.name == inputName || port.identifier == inputName))
                return port.identifier;

        return juce::String();
    });

    bool delivered = false;

    for (auto* input : core->openInputs)
    {
        if (identifier.isNotEmpty() && input->identifier == identifier && input->started)
        {
            input->callback->handleIncomingMidiMessage (nullptr, message);
            delivered = true;
        }
    }

    return delivered;
}

//==============================================================================
std::vector<SimulatedMidiPorts::Event> SimulatedMidiPorts::timeline() const   { return core->locked ([this] { return core->events; }); }
void SimulatedMidiPorts::clearTimeline()                                      { core->locked ([this] { core->events.clear(); }); }

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

juce::StringArray SimulatedMidiPorts::messagesTo (const juce::String& outputName) const
{
    juce::StringArray messages;

    for (auto& event : timeline())
        if (! event.isPause && (outputName.isEmpty() || event.port == outputName))
            messages.add (hexOf (event.message));

    return messages;
}

double SimulatedMidiPorts::totalPauseMicroseconds() const
{
    double total = 0.0;

    for (auto& event : timeline())
        total += event.isPause ? event.microseconds : 0.0;

    return total;
}

int SimulatedMidiPorts::inputOpenCount (const juce::String& name) const   { return core->locked ([&] { return core->opens[0][name]; }); }
int SimulatedMidiPorts::outputOpenCount (const juce::String& name) const  { return core->locked ([&] { return core->opens[1][name]; }); }
int SimulatedMidiPorts::openInputsNow (const juce::String& name) const    { return lockedBy (core->delivery, [&] { return countNamed (core->openInputs, name); }); }
int SimulatedMidiPorts::openOutputsNow (const juce::String& name) const   { return core->locked ([&] { return countNamed (core->openOutputs, name); }); }
int SimulatedMidiPorts::inputListings() const                             { return core->locked ([this] { return core->listings[0]; }); }
int SimulatedMidiPorts::outputListings() const                            { return core->locked ([this] { return core->listings[1]; }); }

void SimulatedMidiPorts::setRealPauses (bool shouldWait)    { core->realPauses = shouldWait; }
void SimulatedMidiPorts::setClock (VirtualClock* clockToUse) { core->clock = clockToUse; }

//==============================================================================
juce::Array<juce::MidiDeviceInfo> SimulatedMidiPorts::getInputDevices()   { return core->list (false); }
juce::Array<juce::MidiDeviceInfo> SimulatedMidiPorts::getOutputDevices()  { return core->list (true); }

// The new port is made outside the lock: it takes a lock of its own to enter
// the list of open ports, and a delivery holds that one while it reads the lists.
std::unique_ptr<NsDravel::MidiInputPort> SimulatedMidiPorts::openInput (const juce::String& identifier,
                                                                      juce::MidiInputCallback* callback)
{
    const auto name = callback == nullptr ? juce::String() : core->opened (identifier, false);
    return name.isEmpty() ? nullptr : std::make_unique<SimulatedInput> (OpenPort { core, name, identifier }, callback);
}

std::unique_ptr<NsDravel::MidiOutputPort> SimulatedMidiPorts::openOutput (const juce::String& identifier)
{
    const auto name = core->opened (identifier, true);
    return name.isEmpty() ? nullptr : std::make_unique<SimulatedOutput> (OpenPort { core, name, identifier });
}

void SimulatedMidiPorts::pause (double microseconds)
{
    core->recordPause (microseconds);

    if (auto* clock = core->clock.load())
        clock->sleep (microseconds);
    else if (core->realPauses)
        NsDravel::MidiPortSystem::pause (microseconds);
}

void SimulatedMidiPorts::waitDispatchingMessages (double milliseconds)
{
    core->recordPause (milliseconds * 1000.0);

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

#include "support/SimulatedMidiPorts.h"
#include "support/EventScheduler.h"

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

    class OpenPort;

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
    int nextIdentifier = 1;
    int listings[2] {};                             // of inputs, of outputs

    // Guards the open inputs and every callback into the program, so that an
    // input that has been stopped or released never calls back again.
    std::mutex delivery;

    std::vector<OpenPort*> open[2];                 // inputs (guarded by delivery), outputs (by lock)
    std::atomic<bool> realPauses { false };
    std::atomic<VirtualClock*> clock { nullptr };

    template <typename Action>
    auto locked (Action&& action) -> decltype (action())    { return lockedBy (lock, action); }

    // With the lock held: the first listed port of the direction with that
    // name or identifier (one identifier may stand for both, as on ALSA).
    PublishedPort* find (const juce::String& nameOrIdentifier, bool isOutput)
    {
        auto found = std::find_if (published.begin(), published.end(), [&] (auto& port)
        {
            return port.isOutput == isOutput && (port.name == nameOrIdentifier || port.identifier == nameOrIdentifier);
        });

        return found != published.end() ? &*found : nullptr;
    }

    // Counts an open of the port and gives its name; empty when it may not open.
    juce::String opened (const juce::String& identifier, bool isOutput)
    {
        return locked ([&]
        {
            auto* port = find (identifier, isOutput);

            if (port == nullptr || refused.contains (port->name) || refused.contains (identifier))
                return juce::String();

            ++opens[isOutput][port->name];
            ++opens[isOutput][identifier];
            return port->name;
        });
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
        const auto port = locked ([&]
        {
            auto* found = find (identifier, true);

            if (found != nullptr)       // else unplugged: the message goes nowhere
                events.push_back ({ false, found->name, message, 0.0 });

            return found != nullptr ? *found : PublishedPort();
        });

        if (port.endpoint != nullptr)
            port.endpoint->receiveFromProgram (port.name, message);
    }

    void recordPause (double microseconds)  { locked ([&] { events.push_back ({ true, {}, {}, microseconds }); }); }
};

namespace
{
    /** An opened port, input or output: it is in the list of open ports of its
        direction from when it is made until it is released. */
    class OpenPort final : public NsDravel::MidiInputPort, public NsDravel::MidiOutputPort
    {
    public:
        OpenPort (std::shared_ptr<SimulatedMidiPorts::Core> c, const juce::String& n, const juce::String& id,
                  bool output, juce::MidiInputCallback* cb = nullptr)
            : core (std::move (c)), name (n), identifier (id), isOutput (output), callback (cb)
        {
            lockedBy (listLock(), [this] { core->open[isOutput].push_back (this); });
        }

        ~OpenPort() override
        {
            auto& list = core->open[isOutput];
            lockedBy (listLock(), [&] { list.erase (std::remove (list.begin(), list.end(), this), list.end()); });
        }

        juce::String getName() const override          { return name; }
        juce::String getIdentifier() const override    { return identifier; }
        bool is (const juce::String& nameOrId) const    { return name == nameOrId || identifier == nameOrId; }

        void start() override   { lockedBy (core->delivery, [this] { started = true; }); }
        void stop() override    { lockedBy (core->delivery, [this] { started = false; }); }

        void sendMessageNow (const juce::MidiMessage& message) override { core->deliverToDevice (identifier, message); }

        void sendBlockOfMessagesNow (const juce::MidiBuffer& buffer) override
        {
            for (const auto metadata : buffer)
                core->deliverToDevice (identifier, metadata.getMessage());
        }

        const std::shared_ptr<SimulatedMidiPorts::Core> core;
        const juce::String name, identifier;
        const bool isOutput;
        juce::MidiInputCallback* const callback;
        bool started = false;   // guarded by core->delivery

    private:
        std::mutex& listLock() const    { return isOutput ? core->lock : core->delivery; }
    };

    int countNamed (std::mutex& lock, const std::vector<OpenPort*>& open, const juce::String& name)
    {
        const std::lock_guard<std::mutex> guard (lock);
        return (int) std::count_if (open.begin(), open.end(), [&] (auto* port) { return port->is (name); });
    }
}

//==============================================================================
SimulatedMidiPorts::SimulatedMidiPorts()
    : core (std::make_shared<Core>()), previous (NsDravel::MidiPortSystem::setCurrent (this))
{
}

SimulatedMidiPorts::~SimulatedMidiPorts()  { NsDravel::MidiPortSystem::setCurrent (previous); }

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

juce::String SimulatedMidiPorts::publishOutput (const juce::String& name, PortEndpoint* endpoint)
{
    return publish (name, endpoint, false, true);
}

juce::String SimulatedMidiPorts::publishInput (const juce::String& name)
{
    return publish (name, nullptr, true, false);
}

juce::String SimulatedMidiPorts::publishPort (const juce::String& name, PortEndpoint* endpoint)
{
    return publish (name, endpoint, true, true);
}

void SimulatedMidiPorts::withdraw (const juce::String& name)
{
    core->locked ([&]
    {
        auto& ports = core->published;
        const auto named = [&] (auto& p) { return p.name == name || p.identifier == name; };
        ports.erase (std::remove_if (ports.begin(), ports.end(), named), ports.end());
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
        auto* port = core->find (inputName, false);
        return port != nullptr ? port->identifier : juce::String();
    });

    bool delivered = false;

    for (auto* input : core->open[0])
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
std::vector<SimulatedMidiPorts::Event> SimulatedMidiPorts::timeline() const
{
    return core->locked ([this] { return core->events; });
}

void SimulatedMidiPorts::clearTimeline()
{
    core->locked ([this] { core->events.clear(); });
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
        if (event.isPause)
            total += event.microseconds;

    return total;
}

int SimulatedMidiPorts::inputOpenCount (const juce::String& name) const
{
    return core->locked ([&] { return core->opens[0][name]; });
}

int SimulatedMidiPorts::outputOpenCount (const juce::String& name) const
{
    return core->locked ([&] { return core->opens[1][name]; });
}

int SimulatedMidiPorts::openInputsNow (const juce::String& name) const
{
    return countNamed (core->delivery, core->open[0], name);
}

int SimulatedMidiPorts::openOutputsNow (const juce::String& name) const
{
    return countNamed (core->lock, core->open[1], name);
}

int SimulatedMidiPorts::inputListings() const
{
    return core->locked ([this] { return core->listings[0]; });
}

int SimulatedMidiPorts::outputListings() const
{
    return core->locked ([this] { return core->listings[1]; });
}

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
    return name.isEmpty() ? nullptr : std::make_unique<OpenPort> (core, name, identifier, false, callback);
}

std::unique_ptr<NsDravel::MidiOutputPort> SimulatedMidiPorts::openOutput (const juce::String& identifier)
{
    const auto name = core->opened (identifier, true);
    return name.isEmpty() ? nullptr : std::make_unique<OpenPort> (core, name, identifier, true);
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

#pragma once

#include "support/SimulatedMidiPorts.h"

#include <memory>

namespace sim
{

/** MIDI ports that are nothing but their names: it publishes outputs and
    inputs on the simulated port system; what the program sends to an output
    goes nowhere except into the port system's timeline. For tests of what
    the program makes of a port list. */
class NamedPorts final : private PortEndpoint
{
public:
    NamedPorts (SimulatedMidiPorts& portsToUse, const juce::StringArray& outputs,
                const juce::StringArray& inputs = {})
        : ports (portsToUse)
    {
        publish (outputs, inputs);
    }

    /** The same on a port system of their own, installed while they live,
        whose pauses are only recorded: fresh ports for one row of a test. */
    NamedPorts (const juce::StringArray& outputs, const juce::StringArray& inputs = {})
        : ownPorts (std::make_unique<SimulatedMidiPorts>()), ports (*ownPorts)
    {
        ownPorts->setRealPauses (false);
        publish (outputs, inputs);
    }

    /** The port system the names are published on. */
    SimulatedMidiPorts& getPorts() noexcept  { return ports; }

    /** The messages that reached the output of that name, as hex text, in order. */
    juce::StringArray messagesTo (const juce::String& outputName) const
    {
        juce::StringArray messages;

        for (auto& event : ports.timeline())
            if (! event.isPause && event.port == outputName)
                messages.add (SimulatedMidiPorts::hexOf (event.message));

        return messages;
    }

private:
    void publish (const juce::StringArray& outputs, const juce::StringArray& inputs)
    {
        for (auto& name : outputs)
            ports.publishOutput (name, *this);

        for (auto& name : inputs)
            ports.publishInput (name);
    }

    void receiveFromProgram (const juce::String&, const juce::MidiMessage&) override {}

    std::unique_ptr<SimulatedMidiPorts> ownPorts;
    SimulatedMidiPorts& ports;

    JUCE_DECLARE_NON_COPYABLE (NamedPorts)
};

} // namespace sim

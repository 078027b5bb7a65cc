#pragma once

#include "support/SimulatedMidiPorts.h"

namespace sim
{

/** MIDI ports that are nothing but their names, published on the simulated
    port system (or on one of their own, installed while they live: fresh
    ports for one row of a test); what the program sends to an output goes
    only into the timeline. For tests of what the program makes of a port list. */
class NamedPorts final
{
public:
    NamedPorts (SimulatedMidiPorts& portsToUse, const juce::StringArray& outputs, const juce::StringArray& inputs = {})
        : ports (portsToUse)
    {
        publish (outputs, inputs);
    }

    NamedPorts (const juce::StringArray& outputs, const juce::StringArray& inputs = {})
        : ownPorts (std::make_unique<SimulatedMidiPorts>()), ports (*ownPorts)
    {
        publish (outputs, inputs);
    }

    SimulatedMidiPorts& getPorts() noexcept                                     { return ports; }
    juce::StringArray messagesTo (const juce::String& outputName) const        { return ports.messagesTo (outputName); }

private:
    void publish (const juce::StringArray& outputs, const juce::StringArray& inputs)
    {
        for (auto& name : outputs)
            ports.publishOutput (name);

        for (auto& name : inputs)
            ports.publishInput (name);
    }

    std::unique_ptr<SimulatedMidiPorts> ownPorts;
    SimulatedMidiPorts& ports;
};

} // namespace sim

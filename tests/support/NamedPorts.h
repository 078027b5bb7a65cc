#pragma once

#include "support/SimulatedMidiPorts.h"

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
        for (auto& name : outputs)
            ports.publishOutput (name, *this);

        for (auto& name : inputs)
            ports.publishInput (name);
    }

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
    void receiveFromProgram (const juce::String&, const juce::MidiMessage&) override {}

    SimulatedMidiPorts& ports;

    JUCE_DECLARE_NON_COPYABLE (NamedPorts)
};

} // namespace sim

#pragma once

#include "midi/MidiPortSystem.h"

#include <memory>
#include <vector>

namespace sim
{

class VirtualClock;

/** A simulated device's side of the ports it publishes: what the program
    sends to one of its output ports arrives here, on the sending thread. */
class PortEndpoint
{
public:
    virtual ~PortEndpoint() = default;

    /** A message the program sent to the published output port of that name. */
    virtual void receiveFromProgram (const juce::String& portName, const juce::MidiMessage& message) = 0;
};

/** In-process MIDI ports for tests: simulated devices publish input and output
    ports here, and the program opens and uses them through the same seam as
    the system's ports. Constructing one installs it as the program's port
    system; destroying it puts the previous one back.

    It also stands in for the program's clock of protocol pauses: every pause
    is written into the timeline between the messages around it, and only
    recorded unless a test asks for real waits or gives it a virtual clock.
*/
class SimulatedMidiPorts final : public NsDravel::MidiPortSystem
{
public:
    SimulatedMidiPorts();
    ~SimulatedMidiPorts() override;

    //==============================================================================
    // The devices' side.

    // Wherever a port is named below, its identifier may stand in for its
    // name: identifiers look like "sim-7" and never clash with port names.
    // Several ports may share a name, as two devices of one model do. Each
    // publish returns the new port's identifier.

    /** Lists an output port; messages sent to it go to the endpoint, if any. */
    juce::String publishOutput (const juce::String& name, PortEndpoint* endpoint = nullptr);

    /** Lists an input port, through which a device talks to the program. */
    juce::String publishInput (const juce::String& name);

    /** Lists one port in both directions under one identifier, as ALSA does. */
    juce::String publishPort (const juce::String& name, PortEndpoint* endpoint = nullptr);

    /** Takes every port of this name out of the lists, as unplugging does.
        Ports the program still holds open stay objects but carry nothing. */
    void withdraw (const juce::String& name);

    /** Makes every later attempt to open a port of this name fail (or succeed again). */
    void setRefusingOpens (const juce::String& name, bool shouldRefuse);

    /** Hands a message to the program through the started, still listed inputs
        of this name (the first listed input of that name), on the calling
        thread, as a MIDI input thread does. Returns true when at least one
        input took it. */
    bool sendToProgram (const juce::String& inputName, const juce::MidiMessage& message);

    //==============================================================================
    // What tests observe.

    /** One thing that happened on the wire: a message that reached a device,
        or a protocol pause the program took. */
    struct Event
    {
        bool isPause = false;
        juce::String port;              // for messages: the output port it was sent to
        juce::MidiMessage message;      // for messages
        double microseconds = 0.0;      // for pauses
    };

    /** Everything since construction or the last clearTimeline, in order. */
    std::vector<Event> timeline() const;

    /** The timeline as text: "EF 7F 7F" for a message, "pause 1000" for a pause. */
    juce::StringArray describeTimeline() const;

    /** The messages that reached the output of that name (every output when
        empty), as hex text, in order. */
    juce::StringArray messagesTo (const juce::String& outputName = {}) const;

    /** The sum of all pauses in the timeline, in microseconds. */
    double totalPauseMicroseconds() const;

    void clearTimeline();

    /** How often the program opened an input (or an output) of this name. */
    int inputOpenCount (const juce::String& name) const;
    int outputOpenCount (const juce::String& name) const;

    /** How many inputs (or outputs) of this name the program holds open now. */
    int openInputsNow (const juce::String& name) const;
    int openOutputsNow (const juce::String& name) const;

    /** How often the program read the list of inputs (or of outputs). */
    int inputListings() const;
    int outputListings() const;

    /** Whether pauses really wait or are only recorded (the default). A wait
        that dispatches messages is recorded as a pause too; when pauses do not
        really wait it still dispatches what is pending. A wait for something
        another thread does is no pause: it is not recorded, and it always
        really waits (in the clock's time when there is one). */
    void setRealPauses (bool shouldWait);

    /** Runs every pause, message-loop wait and reply wait of the program in the
        clock's virtual time (null: back to real time). The timeline still
        records the pauses and message-loop waits. Set it before the program
        runs, and keep the clock alive while it is set. */
    void setClock (VirtualClock* clockToUse);

    //==============================================================================
    juce::Array<juce::MidiDeviceInfo> getInputDevices() override;
    juce::Array<juce::MidiDeviceInfo> getOutputDevices() override;
    std::unique_ptr<NsDravel::MidiInputPort> openInput (const juce::String& identifier,
                                                        juce::MidiInputCallback* callback) override;
    std::unique_ptr<NsDravel::MidiOutputPort> openOutput (const juce::String& identifier) override;
    void pause (double microseconds) override;
    void waitDispatchingMessages (double milliseconds) override;
    bool waitDispatchingMessagesUntil (const std::function<bool()>& done, double timeoutMilliseconds) override;
    bool waitForReply (const std::function<bool()>& replied, double timeoutMicroseconds) override;
    void wakeReplyWaiters() override;

    /** The hex text of a message's bytes, "F0 1D 03 ...". */
    static juce::String hexOf (const juce::MidiMessage& message);

    struct Core;

private:
    juce::String publish (const juce::String& name, PortEndpoint* endpoint, bool asInput, bool asOutput);

    std::shared_ptr<Core> core;
    NsDravel::MidiPortSystem* previous = nullptr;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SimulatedMidiPorts)
};

/** MIDI ports that are nothing but their names, published on the simulated
    port system (or on one of their own, installed while they live: fresh
    ports for one row of a test); what the program sends to an output goes
    only into the timeline. For tests of what the program makes of a port list. */
class NamedPorts final
{
public:
    NamedPorts (SimulatedMidiPorts& portsToUse, const juce::StringArray& outputs, const juce::StringArray& inputs = {})
        : ports (portsToUse)                                                    { publish (outputs, inputs); }

    NamedPorts (const juce::StringArray& outputs, const juce::StringArray& inputs = {})
        : ownPorts (std::make_unique<SimulatedMidiPorts>()), ports (*ownPorts)  { publish (outputs, inputs); }

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

#pragma once

#include "editor/device/Host.h"
#include "midi/MidiPortSystem.h"

#include <atomic>
#include <vector>

namespace NsDravel
{

/**
    The host's MIDI connection: owns the keyboard's opened input/output port
    pairs and receives what the keyboard sends.

    Opening and closing run on the message thread; handleIncomingMidiMessage
    runs on the MIDI input thread and only reads the closing flag, decodes the
    version reply and raises atomics.
*/
class Host::MidiInputHandler final : public juce::MidiInputCallback
{
public:
    /** Clears the upgrader's reply flags, then opens every keyboard-range
        second-port pair at once. */
    MidiInputHandler();

    /** Marks itself closing and stops its inputs before anything is released. */
    ~MidiInputHandler() override;

    /** Closes whatever is open, then opens every input/output pair whose
        input's product id and port number pass the filters. An input's output
        is the one the system lists under the same identifier, or else under
        the companion name. True when at least one pair is open. */
    bool openDevices (std::function<bool (int)> productFilter, std::function<bool (int)> portFilter);

    /** Stops and releases every port. */
    void closeDevices();

    /** The number of pairs the last open left open. */
    int getPairCount() const noexcept                       { return pairCount; }

    /** The output of the first pair opened, or null. */
    MidiOutputPort* getFirstOutput() const noexcept         { return outputs.empty() ? nullptr : outputs.front().get(); }

    /** The first open output (in the order opened) listed under this name, or null. */
    MidiOutputPort* findOpenOutputNamed (const juce::String& name) const;

    void handleIncomingMidiMessage (juce::MidiInput* source, const juce::MidiMessage& message) override;
    void handlePartialSysexMessage (juce::MidiInput*, const juce::uint8*, int, double) override {}

private:
    /** 1 while the ports are being closed or reopened: the callback then ignores everything. */
    std::atomic<int> closing { 0 };
    int pairCount = 0;
    std::vector<std::unique_ptr<MidiInputPort>> inputs;
    std::vector<std::unique_ptr<MidiOutputPort>> outputs;   // the i-th belongs to the i-th input

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MidiInputHandler)
};

} // namespace NsDravel

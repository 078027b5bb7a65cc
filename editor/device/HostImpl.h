#pragma once

#include "editor/device/Host.h"
#include "editor/model/MappingModel.h"

#include <juce_audio_devices/juce_audio_devices.h>

namespace NsDravel
{

class MidiOutputPort;

/**
    The device host's state: the mapping model, the settings object, the name
    of the output that settings are sent to, and the two operations that put
    bytes on the wire to the keyboard. Message thread only.
*/
class Host::Impl
{
public:
    /** Sets up the settings object, then builds the start-up model: the maps of
        modes 0..3 with factory settings, mode 0 current. */
    Impl();
    virtual ~Impl();

    //==============================================================================
    /** Sends the whole device settings image to outputName (through the
        connection's own port of that name when it holds one), framed and paced
        as the keyboard expects. Blocks for the transfer's pauses (26 ms). */
    juce::Result writeSettingsToDevice();

    /** Sends a prepared buffer to the keyboard: to the connection's first
        output when the host is connected, else to outputName. */
    juce::Result sendMidiBuffer (const juce::MidiBuffer& buffer);

    //==============================================================================
    juce::ValueTree createModeMap (int mode) const    { return model.createModeMap (mode); }
    void createDefaultModes()                         { model.createDefaultModes(); }
    juce::ValueTree getModeMap (int mode) const       { return model.getModeMap (mode); }
    void setCurrentMode (int mode)                    { model.setCurrentMode (mode); }
    juce::ValueTree getCurrentMap() const             { return model.getCurrentMap(); }
    int getCurrentModeIndex() const                   { return model.getCurrentModeIndex(); }
    void setProductId (int id)                        { model.setProductId (id); }
    int getProductId() const                          { return model.getProductId(); }
    juce::ValueTree getModes() const                  { return model.getModes(); }

    //==============================================================================
    /** Kept for the program's settings; nothing is read or written between runs. */
    juce::ApplicationProperties settings;

    /** The output that settings are sent to; empty when no device is selected. */
    juce::String outputName;

private:
    /** An output for one operation: the connection's own when it holds a
        port of that name open, otherwise that port opened for the operation
        alone. */
    struct OutputLease
    {
        std::unique_ptr<MidiOutputPort> opened;
        MidiOutputPort* port = nullptr;
    };

    OutputLease leaseOutput (const juce::MidiDeviceInfo& device) const;

    MappingModel model;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Impl)
};

} // namespace NsDravel

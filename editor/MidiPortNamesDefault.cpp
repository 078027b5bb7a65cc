#include "editor/MidiPortNames.h"

#include <juce_audio_devices/juce_audio_devices.h>

namespace NsDravel
{
    namespace
    {
        juce::StringArray namesOfDevices (const juce::Array<juce::MidiDeviceInfo>& devices)
        {
            juce::StringArray names;
            for (auto& device : devices)
                names.add (device.name);
            return names;
        }
    }

    juce::StringArray listMidiOutputNames()
    {
        return namesOfDevices (juce::MidiOutput::getAvailableDevices());
    }

    juce::StringArray listMidiInputNames()
    {
        return namesOfDevices (juce::MidiInput::getAvailableDevices());
    }
}

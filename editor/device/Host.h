#pragma once

#include <juce_data_structures/juce_data_structures.h>
#include <juce_events/juce_events.h>

#include <functional>
#include <memory>

namespace NsDravel
{

/**
    The editor's one owner of everything that concerns the keyboard: the
    mapping model, the name of the output that settings go to, the product id
    and the MIDI connection.

    A process-wide singleton, created on first use and deleted once, by
    releaseDeviceHost at the end of the program. Message thread only.
*/
class Host
{
public:
    class Impl;
    class MidiInputHandler;

    /** Use getInstance(). */
    Host();
    virtual ~Host();

    /** The current map of the mapping model (shares its data with the model). */
    juce::ValueTree getCurrentMap() const;

    /** Makes a DAW mode's map current. */
    void setCurrentMode (int mode);

    /** The DAW mode of the current map. */
    int getCurrentModeIndex() const;

    /** Sets the host's product id (carried by the mode select) and the model's "pid". */
    void setProductId (int id);

    /** The host's product id. */
    int getProductId() const;

    /** Writes the current map to a mapping file. */
    juce::Result saveMappingFile (const juce::File& file);

    /** Reads a mapping file into the model and the settings image; a bad file
        changes nothing and fails with "Could not load mapping data". */
    juce::Result loadMappingFile (const juce::File& file);

    /** The model, the settings, the output name and the settings transfer. */
    std::unique_ptr<Impl> impl;

    /** The MIDI connection to the keyboard; null until the first connect. */
    std::unique_ptr<MidiInputHandler> connection;

    JUCE_DECLARE_SINGLETON (Host, true)

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Host)
};

/** Connects the host to the keyboard, or disconnects it.

    With enabled false the current connection's ports are closed and the result
    is false. Otherwise a fresh connection replaces the old one when force is
    set or there is none yet, and its ports are (re)opened with the two
    filters; true when at least one input/output pair is open.
    Message thread.
*/
bool connectToDevice (bool force, bool enabled,
                      std::function<bool (int)> productFilter,
                      std::function<bool (int)> portFilter);

/** Closes the keyboard's ports and deletes the device host; a later
    getInstance gives null. For the end of the program, once the editor and its
    device timer are gone. Message thread. */
void releaseDeviceHost();

} // namespace NsDravel

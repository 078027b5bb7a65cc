#pragma once

#include "firmware/window/FirmwareUpgradeComponent.h"

#include <atomic>
#include <vector>

namespace halvik
{

/** The upgrader's MIDI connection to the unit being upgraded: one input and
    one output, opened through the program's MIDI seam. It is the input's
    callback and turns the unit's answers into the reply flags and the window's
    version fields; it also holds the firmware image and uploads it through the
    MIDI bootloader.

    Created, replaced and destroyed on the message thread. The callback runs on
    the MIDI input thread and ignores everything while the ports are being
    opened or closed.
*/
class FirmwareUpgradeComponent::MidiInputHandler final : public juce::MidiInputCallback
{
public:
    /** Ports closed, no image; clears the reply flags. */
    explicit MidiInputHandler (FirmwareUpgradeComponent& owner);

    /** Closes both ports (waiting for a running callback) and frees the image. */
    ~MidiInputHandler() override;

    /** Opens the named output and the input of the same pair. Only when both
        open is the input started. */
    void openDevices (const juce::String& outputName);

    /** Stops and releases both ports. */
    void closeDevices();

    bool hasInput() const   { return input != nullptr; }
    bool hasOutput() const  { return output != nullptr; }

    /** The open output, or null. */
    NsDravel::MidiOutputPort* getOutput() const  { return output.get(); }

    /** Reads a firmware image into memory (nothing for a file that cannot be
        read or is too large to be an image). */
    void loadFirmwareImage (const juce::File& file);

    const juce::File& getImageFile() const               { return imageFile; }
    const std::vector<juce::uint8>& getImage() const     { return image; }

    /** Sends the image through the MIDI bootloader: connect, erase, data
        packets, reset. Any thread; see the window's uploadFirmwareOnWorker. */
    juce::Result uploadFirmware();

    /** The product whose erase code the upload uses (the window's current id
        when the handler was made). */
    int productId = 2000;

    void handleIncomingMidiMessage (juce::MidiInput* source, const juce::MidiMessage& message) override;

private:
    FirmwareUpgradeComponent& owner;
    std::unique_ptr<NsDravel::MidiInputPort> input;
    std::unique_ptr<NsDravel::MidiOutputPort> output;
    std::atomic<int> busy { 0 };

    juce::File imageFile;
    std::vector<juce::uint8> image;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MidiInputHandler)
};

} // namespace halvik

#pragma once

#include "firmware/window/FirmwareUpgradeComponent.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
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

    /** Closes both ports (waiting for a running callback) and frees the image.
        An upload still running on another thread is stopped first and waited
        for. */
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

    /** Reads a firmware image into memory. A file that cannot be read leaves
        no image; so does a file above maxFirmwareImageBytes, which is not even
        read (the upload would refuse it anyway). */
    void loadFirmwareImage (const juce::File& file);

    const std::vector<juce::uint8>& getImage() const     { return image; }

    /** Sends the image through the MIDI bootloader: connect, erase, data
        packets, reset, reporting the phase and progress to the window. Fails
        with the text the window shows. Message thread; a worker runs the same
        upload through reserveUpload and runReservedUpload (then its pauses are
        plain sleeps). */
    juce::Result uploadFirmware();

    /** Claims the handler for one upload that runReservedUpload will run,
        typically on a worker that is yet to start: from now on the destructor
        waits until that run has ended. False (and nothing claimed) while the
        handler is being destroyed or another upload holds it. Message thread. */
    bool reserveUpload();

    /** Runs the upload claimed with reserveUpload and ends the claim; once it
        returns the handler may be gone. A stop asked for since the claim
        sends nothing and fails. Any thread, once per claim. */
    juce::Result runReservedUpload();

    /** The product whose erase code the upload uses (the window's current id
        when the handler was made). */
    int productId = 2000;

    void handleIncomingMidiMessage (juce::MidiInput* source, const juce::MidiMessage& message) override;

private:
    juce::Result runUpload();
    void sendControlPacket (const std::array<juce::uint8, 17>& packet, int& counter);
    bool waitForAck (const std::atomic<bool>& flag, int sleeps);
    void paceOutput (int& counter);

    FirmwareUpgradeComponent& owner;
    std::unique_ptr<NsDravel::MidiInputPort> input;
    std::unique_ptr<NsDravel::MidiOutputPort> output;
    std::atomic<int> busy { 0 };

    std::vector<juce::uint8> image;

    // Pacing of the running upload: every `every` messages a wait of
    // `waitMs`, a plain sleep or one that runs the message loop.
    int paceEvery = 4;
    float paceWaitMs = 0.5f;
    bool plainSleeps = true;

    // An upload holds the handler from its reservation (before its worker
    // starts) to its end; the destructor stops it and waits until it has let
    // go. uploadThread is the thread that runs it, once it runs.
    std::atomic<bool> stopRequested { false };
    std::mutex uploadLock;
    std::condition_variable uploadEnded;
    bool uploadRunning = false;
    std::thread::id uploadThread;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MidiInputHandler)
};

} // namespace halvik

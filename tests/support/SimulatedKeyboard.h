#pragma once

#include "support/SimulatedMidiPorts.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace sim
{

/** A Dravel keyboard plugged into SimulatedMidiPorts.

    It publishes a first port and (unless told otherwise) a second port, each
    as an input and an output, under Windows-style names ("Dravel 49",
    "MIDIIN2 (Dravel 49)" / "MIDIOUT2 (Dravel 49)") or Linux-style names
    ("Dravel 49 MIDI 1", "Dravel 49 MIDI 2"), each Linux-style port in both
    directions under one identifier, as ALSA lists it. Two keyboards of one
    model thus have the same port names and different identifiers. It records
    every message it receives, decodes what the device does with them, and
    answers a version request from its own thread on its own input of the port
    that carried the request.
*/
class SimulatedKeyboard final : private PortEndpoint
{
public:
    enum class Naming { windows, linux };

    /** What the keyboard does with a version request. */
    enum class Replies
    {
        normal,             // the 12-byte reply for its own product id
        silent,             // no answer at all
        shortReply,         // an 11-byte reply, one version byte missing
        foreignProduct,     // a well-formed reply for another product id
        wrongCommand        // a 12-byte reply whose command bytes are not 00 01
    };

    struct Options
    {
        juce::String model { "Dravel 49" };  // the name the ports are built from
        int productId = 0x1022;              // what the keyboard answers and expects
        Naming naming = Naming::windows;
        bool hasSecondPort = true;
        bool plugged = true;
    };

    SimulatedKeyboard (SimulatedMidiPorts& ports, Options options);
    explicit SimulatedKeyboard (SimulatedMidiPorts& ports);
    ~SimulatedKeyboard() override;

    //==============================================================================
    void unplug();
    void replug();

    void setReplies (Replies newReplies);

    /** The four version bytes a, b, c, d of the reply (default V1.06: 1 0 6 0). */
    void setVersionBytes (juce::uint8 a, juce::uint8 b, juce::uint8 c, juce::uint8 d);

    /** Makes every later open of this keyboard's ports fail, or succeed again
        (another keyboard with the same port names is not affected). */
    void setRefusingOpens (bool shouldRefuse);

    /** Sends any message to the program through its own second port's input,
        as if the player touched a control. */
    void sendFromKeyboard (const juce::MidiMessage& message);

    /** Waits until the reply thread has handed on everything queued so far. */
    void waitUntilRepliesSent();

    //==============================================================================
    juce::String firstInputName() const;
    juce::String firstOutputName() const;
    juce::String secondInputName() const;
    juce::String secondOutputName() const;

    //==============================================================================
    struct Received
    {
        juce::String port;
        juce::MidiMessage message;
    };

    /** A settings image the keyboard took over: the bytes between a mode select
        and an end marker, made effective by the commit parameter write. */
    struct AppliedImage
    {
        std::vector<juce::uint8> bytes;
    };

    struct CurveDump
    {
        int productId = 0;
        int curveNumber = 0;
        std::vector<juce::uint8> bytes;
    };

    std::vector<Received> received() const;
    std::vector<AppliedImage> appliedImages() const;
    std::vector<CurveDump> curveDumps() const;

    /** The product ids carried by the store commands received, in order. */
    std::vector<int> storeCommands() const;

    /** The product ids carried by the version requests received, in order. */
    std::vector<int> versionRequests() const;

    /** What the keyboard made of each message, one line each: "wake-up",
        "mode select 1", "settings byte 90", "end marker", "commit", "curve 8",
        "store", "version request", or "other" and the bytes. */
    juce::StringArray decodedLog() const;

    /** Forgets everything received so far. */
    void clearRecords();

private:
    void receiveFromProgram (const juce::String& portName, const juce::MidiMessage& message) override;
    void decode (const juce::String& portName, const juce::MidiMessage& message);
    juce::MidiMessage makeReply() const;
    juce::String inputPairedWith (const juce::String& outputName) const;
    void publishPorts();
    void applyRefusal();
    void replyLoop();

    SimulatedMidiPorts& ports;
    const Options options;

    mutable std::mutex lock;
    bool plugged = false;
    bool refusingOpens = false;
    juce::StringArray ownIdentifiers;                   // of every port published, while plugged
    juce::String firstInputIdentifier, secondInputIdentifier;
    Replies replies = Replies::normal;
    juce::uint8 version[4] { 1, 0, 6, 0 };

    std::vector<Received> log;
    juce::StringArray decoded;
    std::vector<AppliedImage> applied;
    std::vector<CurveDump> curves;
    std::vector<int> stores, versionAsks;

    // The device's half-finished settings run.
    bool collecting = false;
    AppliedImage running;
    bool haveFinishedRun = false;
    AppliedImage finished;

    // Replies wait here for the keyboard's own thread, each with the
    // identifier of the input it goes out on.
    std::condition_variable queueChanged;
    std::deque<std::pair<juce::String, juce::MidiMessage>> outgoing;
    bool replying = false;
    bool stopping = false;
    std::thread replyThread;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SimulatedKeyboard)
};

} // namespace sim

#pragma once

#include "support/EventScheduler.h"
#include "support/SimulatedMidiPorts.h"

#include <algorithm>
#include <array>
#include <optional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace sim
{

/** One of the maker's MIDI units plugged into SimulatedMidiPorts: a Dravel
    keyboard as the editor meets it, or any unit as the firmware upgrader does.
    It acts later through an EventScheduler: the VirtualClock of a test, or
    else a RealTimeScheduler of its own, whose thread stands in for the unit's
    MIDI thread.

    It publishes port 1 and (unless told otherwise) port 2, under Windows-style
    names ("Dravel 49", "MIDIIN2 (Dravel 49)" / "MIDIOUT2 (Dravel 49)") or
    ALSA-style ones ("Dravel 49 MIDI 1", "Dravel 49 MIDI 2"), each ALSA port in
    both directions under one identifier. Two units of one model thus have the
    same port names and different identifiers; each answers on its own input
    of the port that carried the request.

    It answers a version request for its product id with its version (the
    all-zero version in upgrade mode). In its normal mode it decodes what the
    editor sends, and on the enter-upgrade-mode request (long or short form,
    for its model code) it leaves the port list and comes back in upgrade
    mode: a keyboard under its own port names, any other unit under a "Halvik
    firmware upgrade" port. In upgrade mode it rebuilds bytes from the note-on
    transport (9F hi lo), frames packets on their preamble, checks their sums
    and sequence numbers, stores the data and answers each packet: 9F cc 01
    for yes, 9F cc 7F for no, cc being the packet's command. A reset it accepts
    sends it away and back in its normal mode with its new version.

    Faults on demand: any phase, or one data packet, answered late, refused or
    not at all; a unit that does not come back once it has left; silence;
    ports that will not open.
*/
class SimulatedUnit final : private PortEndpoint
{
public:
    enum class Naming { windows, linux };

    /** The bootloader's packets, by command. */
    enum class Phase { connect, erase, data, reset };

    /** How the unit answers a packet. */
    enum class Answer { yes, no, silence };

    struct Options
    {
        juce::String model { "Dravel 49" };     // what the port names are built from
        int productId = 0x1022;
        Naming naming = Naming::windows;
        bool hasSecondPort = true;
        bool startsInUpgradeMode = false;

        /** The port name in upgrade mode; empty: a keyboard keeps its names,
            any other unit shows "Halvik firmware upgrade". */
        juce::String upgradePortName;

        double leaveAfterMs = 150.0;            // from the request to the ports going
        double returnAfterMs = 700.0;           // from going to coming back
        double answerAfterMs = 0.2;             // for every answer

        bool answersVersionInUpgradeMode = true;    // with the all-zero version
    };

    /** A unit that acts on a thread of its own, in real time. */
    explicit SimulatedUnit (SimulatedMidiPorts& ports) : SimulatedUnit (ports, Options()) {}
    SimulatedUnit (SimulatedMidiPorts& ports, Options options);
    SimulatedUnit (SimulatedMidiPorts& ports, EventScheduler& scheduler, Options options);
    ~SimulatedUnit() override;

    //==============================================================================
    void unplug()   { withdraw(); }
    void replug()   { if (! locked ([this] { return listed; })) publish(); }

    /** Makes every later open of this unit's ports fail, or succeed again
        (another unit with the same port names is not affected). */
    void setRefusingOpens (bool shouldRefuse)
    {
        locked ([&] { refusingOpens = shouldRefuse; });
        applyRefusal();
    }

    /** Leaves every version request unanswered. */
    void setSilent (bool shouldBeSilent)                                { locked ([&] { silent = shouldBeSilent; }); }

    /** The version a, b, c, d it reports in its normal mode (default 1.06),
        and the one it reports after a reset (default 1.07). */
    void setVersion (juce::uint8 a, juce::uint8 b, juce::uint8 c, juce::uint8 d)
    {
        locked ([&] { version = { a, b, c, d }; });
    }

    void setVersionAfterReset (juce::uint8 a, juce::uint8 b, juce::uint8 c, juce::uint8 d)
    {
        locked ([&] { versionAfterReset = { a, b, c, d }; });
    }

    /** How every packet of the phase is answered, and how late. */
    void setAnswer (Phase phase, Answer answer, double afterMs)
    {
        locked ([&] { replies[phase] = { answer, afterMs }; });
    }

    /** How one data packet is answered (0 = the first data packet after the erase). */
    void setDataPacketAnswer (int packetIndex, Answer answer, double afterMs)
    {
        locked ([&] { dataPacketReplies[packetIndex] = { answer, afterMs }; });
    }

    /** Once it has left the port list, the unit stays away. */
    void setNeverComesBack (bool shouldStayAway)    { locked ([&] { staysAway = shouldStayAway; }); }

    /** Sends any message to the program through its second port's input, as
        if the player touched a control. */
    void sendFromKeyboard (const juce::MidiMessage& message)
    {
        locked ([&] { sendLater (secondOutputName(), message, 0.0); });
    }

    /** With a thread of its own: waits until everything it was to send so far is sent. */
    void waitUntilRepliesSent()
    {
        if (ownScheduler != nullptr)
            ownScheduler->waitUntilIdle();
    }

    //==============================================================================
    // What tests observe.

    juce::String firstOutputName() const    { return windowsNames() ? options.model : options.model + " MIDI 1"; }
    juce::String secondInputName() const
    {
        return windowsNames() ? "MIDIIN2 (" + options.model + ")" : options.model + " MIDI 2";
    }

    juce::String secondOutputName() const
    {
        return windowsNames() ? "MIDIOUT2 (" + options.model + ")" : options.model + " MIDI 2";
    }

    /** The output the upgrader talks to in the unit's present mode (its
        highest-numbered port). */
    juce::String outputName() const     { return locked ([&] { return portNames().back().outputName; }); }

    bool isInUpgradeMode() const        { return locked ([&] { return listed && upgradeMode; }); }

    /** The messages received, in order. */
    std::vector<juce::MidiMessage> received() const                     { return locked ([&] { return messages; }); }

    /** What the unit did, one line each: "version request", "enter", "left",
        "back in upgrade mode", "back in normal mode", "connect", "erase 70",
        "data 0" (its sequence number), "reset", "bad sum", "bad sequence 5". */
    juce::StringArray log() const                                       { return locked ([&] { return events; }); }

    /** How many version requests it has had. */
    int versionRequests() const
    {
        return locked ([&] { return (int) std::count (events.begin(), events.end(), "version request"); });
    }

    /** What it made of each message in its normal mode, one line each:
        "wake-up", "mode select 1", "settings byte 90", "end marker",
        "commit", "curve 8", "store", "version request", or "other" and the bytes. */
    juce::StringArray decodedLog() const                                { return locked ([&] { return decoded; }); }

    /** The settings images it took over: the bytes between a mode select and
        an end marker, made effective by the commit parameter write. */
    std::vector<std::vector<juce::uint8>> appliedImages() const         { return locked ([&] { return applied; }); }

    struct CurveDump
    {
        int productId = 0;
        std::vector<juce::uint8> bytes;
    };

    std::vector<CurveDump> curveDumps() const                           { return locked ([&] { return curves; }); }

    /** The data of the packets stored since the last erase, in order. */
    std::vector<juce::uint8> storedImage() const                        { return locked ([&] { return stored; }); }

    /** Forgets the messages and the logs so far. */
    void clearRecords()
    {
        locked ([this]
        {
            events.clear();
            decoded.clear();
            messages.clear();
            applied.clear();
            curves.clear();
        });
    }

private:
    template <typename Action>
    auto locked (Action&& action) const -> decltype (action())
    {
        const std::lock_guard<std::mutex> guard (lock);
        return action();
    }

    struct Reply
    {
        Answer answer = Answer::yes;
        double afterMs = 0.0;
    };

    struct Port
    {
        juce::String inputName, outputName, inputIdentifier, outputIdentifier;
    };

    SimulatedUnit (SimulatedMidiPorts&, std::unique_ptr<RealTimeScheduler> own, EventScheduler* given, Options);
    void receiveFromProgram (const juce::String& portName, const juce::MidiMessage& message) override;
    void decode (const juce::uint8* d, int size, const juce::MidiMessage& message);
    void takeByte (const juce::String& portName, juce::uint8 byte);
    void takePacket (const juce::String& portName);
    Reply replyFor (Phase phase) const;
    void answerPacket (const juce::String& portName, juce::uint8 command, Reply reply);
    void sendLater (const juce::String& outputName, const juce::MidiMessage& message, double afterMs);
    void leaveAndComeBack (bool inUpgradeMode);
    bool windowsNames() const   { return options.naming == Naming::windows; }
    std::vector<Port> portNames() const;
    void publish();
    void withdraw();
    void applyRefusal();

    std::unique_ptr<RealTimeScheduler> ownScheduler;
    SimulatedMidiPorts& ports;
    EventScheduler& scheduler;
    const Options options;

    mutable std::mutex lock;
    bool upgradeMode = false, listed = false, closing = false;
    bool staysAway = false, silent = false, refusingOpens = false;
    std::vector<Port> published;
    std::array<juce::uint8, 4> version { 1, 0, 6, 0 }, versionAfterReset { 1, 0, 7, 0 };
    std::map<Phase, Reply> replies;
    std::map<int, Reply> dataPacketReplies;

    // The bootloader's packet in the making: until its preamble has come, the
    // last bytes that may begin one.
    std::vector<juce::uint8> packet;
    int expectedSequence = 0;
    int dataPacketsSinceErase = 0;
    std::vector<juce::uint8> stored;

    // The keyboard's settings run: collecting after a mode select, finished
    // by an end marker, waiting for the commit.
    std::optional<std::vector<juce::uint8>> running, finished;

    juce::StringArray events, decoded;
    std::vector<juce::MidiMessage> messages;
    std::vector<std::vector<juce::uint8>> applied;
    std::vector<CurveDump> curves;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SimulatedUnit)
};

// The names the editor's and the upgrader's tests know it by.
using SimulatedKeyboard = SimulatedUnit;
using SimulatedUpgradeUnit = SimulatedUnit;

} // namespace sim

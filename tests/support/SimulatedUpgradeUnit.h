#pragma once

#include "support/EventScheduler.h"
#include "support/SimulatedMidiPorts.h"

#include <deque>
#include <map>
#include <mutex>
#include <vector>

namespace sim
{

/** One of the maker's units, as the firmware upgrader sees it: plugged into
    SimulatedMidiPorts, acting later through an EventScheduler (a VirtualClock
    in tests, a RealTimeScheduler in benchmarks).

    In its normal mode it answers version requests for its product id with its
    version, and on the enter-upgrade-mode request (long or short form, for its
    model code) it leaves the port list and comes back in upgrade mode: a
    keyboard under its own port names, any other unit under a "Halvik firmware
    upgrade" port. In upgrade mode it answers version requests with the
    all-zero version, rebuilds bytes from the note-on transport (9F hi lo),
    frames packets on their preamble, checks their sums and sequence numbers,
    stores the data and answers each packet: 9F cc 01 for yes, 9F cc 7F for no,
    cc being the packet's command. A reset it accepts sends it away and back in
    its normal mode with its new version.

    Faults on demand: any phase, or one data packet, answered late, refused or
    not at all; a unit that does not come back once it has left.

    Answers go out on the input paired with the output that carried the
    request: "MIDIIN2 (x)" for "MIDIOUT2 (x)", the same name otherwise.
*/
class SimulatedUpgradeUnit final : private PortEndpoint
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
        bool hasSecondPort = true;              // ports 1 and 2, as a keyboard has
        bool startsInUpgradeMode = false;

        /** The port name in upgrade mode; empty: a keyboard keeps its names,
            any other unit shows "Halvik firmware upgrade". */
        juce::String upgradePortName;

        double leaveAfterMs = 150.0;            // from the request to the ports going
        double returnAfterMs = 700.0;           // from going to coming back
        double answerAfterMs = 0.2;             // for every answer

        bool answersVersionInUpgradeMode = true;    // with the all-zero version
        bool reportsUpgradeMode = false;            // EC 2D 01 on an accepted enter request
    };

    SimulatedUpgradeUnit (SimulatedMidiPorts& ports, EventScheduler& scheduler, Options options);
    ~SimulatedUpgradeUnit() override;

    //==============================================================================
    // Faults.

    /** How every packet of the phase is answered, and how late. */
    void setAnswer (Phase phase, Answer answer, double afterMs);

    /** How one data packet is answered (0 = the first data packet after the erase). */
    void setDataPacketAnswer (int packetIndex, Answer answer, double afterMs);

    /** Once it has left the port list, the unit stays away. */
    void setNeverComesBack (bool staysAway);

    /** The version a, b, c, d it reports in its normal mode (default 1.06),
        and the one it reports after a reset (default 1.07). */
    void setVersion (juce::uint8 a, juce::uint8 b, juce::uint8 c, juce::uint8 d);
    void setVersionAfterReset (juce::uint8 a, juce::uint8 b, juce::uint8 c, juce::uint8 d);

    //==============================================================================
    // What tests observe.

    bool isInUpgradeMode() const;
    bool isListed() const;

    /** The output the upgrader talks to in the unit's present mode (its
        highest-numbered port). */
    juce::String outputName() const;

    /** The data of the packets stored since the last erase, in order. */
    std::vector<juce::uint8> storedImage() const;

    /** What the unit made of what it got, one line each: "version request",
        "enter", "left", "back in upgrade mode", "back in normal mode",
        "connect", "erase 70", "data 0" (its sequence number), "reset",
        "bad sum", "bad sequence 5". */
    juce::StringArray log() const;

    /** The messages received, in order. */
    std::vector<juce::MidiMessage> received() const;

    void clearRecords();

private:
    enum class Mode { normal, upgrade, away };

    struct Reply
    {
        Answer answer = Answer::yes;
        double afterMs = 0.0;
    };

    void receiveFromProgram (const juce::String& portName, const juce::MidiMessage& message) override;
    void takeSysEx (const juce::String& portName, const juce::uint8* d, int size);
    void takeByte (const juce::String& portName, juce::uint8 byte);
    void takePacket (const juce::String& portName);
    void answerPacket (const juce::String& portName, juce::uint8 command, Reply reply);
    void sendLater (const juce::String& portName, const juce::MidiMessage& message, double afterMs);
    void leaveAndComeBack (bool inUpgradeMode);
    juce::StringArray portNames (Mode mode) const;
    void publish (Mode mode);

    SimulatedMidiPorts& ports;
    EventScheduler& scheduler;
    const Options options;

    mutable std::mutex lock;
    Mode mode = Mode::normal;
    bool closing = false;
    bool staysAway = false;
    juce::uint8 version[4] { 1, 0, 6, 0 };
    juce::uint8 versionAfterReset[4] { 1, 0, 7, 0 };
    std::map<Phase, Reply> replies;
    std::map<int, Reply> dataPacketReplies;

    std::deque<juce::uint8> recentBytes;        // looking for a preamble
    std::vector<juce::uint8> packet;            // the packet being received
    bool inPacket = false;
    int expectedSequence = 0;
    int dataPacketsSinceErase = 0;
    std::vector<juce::uint8> stored;

    juce::StringArray events;
    std::vector<juce::MidiMessage> messages;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SimulatedUpgradeUnit)
};

} // namespace sim

#include <gtest/gtest.h>

#include "firmware/midi/UpgradeModeMessages.h"
#include "support/SimulatedMidiPorts.h"

using namespace halvik;

namespace
{
    juce::MidiMessage fromHex (const juce::String& hex)
    {
        juce::MemoryBlock bytes;
        bytes.loadFromHexString (hex);
        return juce::MidiMessage (bytes.getData(), (int) bytes.getSize());
    }

    juce::String describe (const UnitReply& reply)
    {
        switch (reply.kind)
        {
            case UnitReply::Kind::negative:    return "refused";
            case UnitReply::Kind::connectAck:  return "connect ack";
            case UnitReply::Kind::eraseAck:    return "erase ack";
            case UnitReply::Kind::dataAck:     return "data ack";
            case UnitReply::Kind::resetAck:    return "reset ack";
            case UnitReply::Kind::upgradeMode: return reply.upgradeModeOn ? "upgrade mode on" : "upgrade mode off";
            case UnitReply::Kind::version:     return reply.isAllZeroVersion() ? "version zero"
                                                                               : "version " + juce::String (reply.versionValue(), 3);
            case UnitReply::Kind::none:        break;
        }

        return "nothing";
    }
}

TEST (UnitReplies, EachMessageMeansWhatTheUnitSaid)
{
    const struct { const char* bytes; const char* meaning; } cases[] =
    {
        { "9F 7F 7F", "refused" },              // a 7F velocity refuses, whatever the command
        { "9F 03 7F", "refused" },
        { "9F 7F 01", "connect ack" },
        { "9F 00 05", "erase ack" },
        { "9F 01 00", "data ack" },             // a velocity-0 note-on still counts
        { "9F 02 01", "reset ack" },
        { "9F 03 10", "nothing" },
        { "9E 7F 01", "nothing" },              // channel 15
        { "EC 2D 01", "upgrade mode on" },
        { "EC 2D 00", "upgrade mode off" },
        { "EC 2E 01", "nothing" },
        { "F0 1D 03 00 00 00 01 00 00 00 00 F7", "version zero" },
        { "F0 1D 03 7F 7F 00 01 01 07 06 00 00", "version 1.760" },   // id bytes and the last byte may hold anything
        { "F0 1D 03 20 22 00 01 01 00 06 03 F7", "version 1.063" },
        { "F0 1D 03 00 00 00 02 00 00 00 00 F7", "nothing" },
        { "F0 1D 03 00 00 00 01 00 00 00 00 00 F7", "nothing" },       // 13 bytes
        { "F0 1D 03 00 00 00 01 00 00 00 F7", "nothing" },             // 11 bytes
    };

    for (auto& c : cases)
        EXPECT_EQ (describe (parseUnitReply (fromHex (c.bytes))), juce::String (c.meaning)) << c.bytes;
}

TEST (EnterUpgradeModeMessage, CarriesTheModelCodeAndTheModeByteOfTheProduct)
{
    const struct { int productId; int length; const char* bytes; } cases[] =
    {
        { 157,  9, "F0 1D 03 01 1D 00 7F 7E F7" },
        { 159,  9, "F0 1D 03 01 1F 00 7F 7F F7" },
        { 2070, 9, "F0 1D 03 10 08 00 7F 7F F7" },     // the group's code 2056
        { 125,  9, "F0 1D 03 00 65 00 7F 7F F7" },     // shares the firmware, and the code, of 101
        { 26,   8, "F0 1D 03 00 55 55 7F F7" },        // short form, code 85
    };

    for (auto& c : cases)
        EXPECT_EQ (sim::SimulatedMidiPorts::hexOf (makeEnterUpgradeModeSysEx (c.productId, c.length)),
                   juce::String (c.bytes)) << c.productId;
}

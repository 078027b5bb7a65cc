#include <gtest/gtest.h>

#include "support/SimulatedMidiPorts.h"

#include "midi/MidiPortNames.h"
#include "midi/MidiPortSystem.h"

#include <atomic>
#include <chrono>
#include <thread>

// The system's own clock and message loop (no simulated ports are installed
// for these), and the reuse of one reading of the port lists.

TEST (ProtocolPauses, NeverEndBeforeTheirLength)
{
    for (auto microseconds : { 1.0, 30.0, 59.5, 61.0, 500.0, 1000.0, 2500.0 })
    {
        const auto start = std::chrono::steady_clock::now();
        NsDravel::pauseMicroseconds (microseconds);
        const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;

        EXPECT_GE (took.count(), microseconds);
    }
}

TEST (ReplyWaits, EndWithTheReplyOrWithoutItWhenTheTimeIsUp)
{
    EXPECT_TRUE (NsDravel::waitForReply ([] { return true; }, 10.0e6));
    EXPECT_TRUE (NsDravel::waitForReply ([] { return true; }, 0.0)) << "a reply already there needs no time";
    EXPECT_FALSE (NsDravel::waitForReply ([] { return false; }, 2000.0));

    std::atomic<bool> replied { false };
    std::thread unit ([&]
    {
        std::this_thread::sleep_for (std::chrono::milliseconds (5));
        replied = true;
        NsDravel::wakeReplyWaiters();
    });

    EXPECT_TRUE (NsDravel::waitForReply ([&] { return replied.load(); }, 60.0e6));
    unit.join();
}

TEST (DispatchingWaits, RunTheMessageLoopEvenForOneMillisecond)
{
    bool delivered = false;
    juce::MessageManager::callAsync ([&] { delivered = true; });

    NsDravel::waitDispatchingMessages (1.0);

    EXPECT_TRUE (delivered);
}

TEST (PortListScopes, ReadEachListOnceUntilTheOutermostEnds)
{
    sim::SimulatedMidiPorts ports;

    {
        const NsDravel::PortListScope outer;
        NsDravel::listMidiOutputNames();

        {
            const NsDravel::PortListScope inner;
            NsDravel::listMidiOutputNames();
        }

        NsDravel::listMidiOutputNames();
        EXPECT_EQ (ports.outputListings(), 1);
    }

    NsDravel::listMidiOutputNames();
    EXPECT_EQ (ports.outputListings(), 2);
}

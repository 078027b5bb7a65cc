// Uploads a 64 KiB image to the simulated keyboard through the program's own
// MIDI bootloader, on its worker thread as the Upgrade step does, with the
// protocol's real pauses and a unit that answers at once, and reports how
// close the wall time comes to the pacing floor: 54 + 530 x 128 messages with
// a 0.5 ms pause after every fourth, and to the same upload run alone (the
// step should go on within a few milliseconds of the worker's end). Run by hand.

#include "support/SimulatedUnit.h"
#include "support/TestSurroundings.h"

#include "firmware/midi/UpgraderMidiHandler.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <algorithm>
#include <cstdio>
#include <vector>

int main()
{
    juce::ScopedJuceInitialiser_GUI juceSetUp;

    sim::SimulatedMidiPorts ports;
    ports.setRealPauses (true);
    sim::RealTimeScheduler scheduler;
    TempFolder folder;

    constexpr int imageSize = 64 * 1024;
    juce::MemoryBlock bytes ((size_t) imageSize);
    for (int i = 0; i < imageSize; ++i)
        bytes[i] = (char) ((i * 7 + 3) & 0xFF);

    const auto image = folder.get().getChildFile ("image.bin");
    image.replaceWithData (bytes.getData(), bytes.getSize());

    constexpr int messages = 3 * 18 + 128 * 530;
    const double floorMs = (messages / 4) * 0.5;

    constexpr int runs = 3;
    std::vector<double> times, alone;

    // Each run uploads twice to a fresh unit: once on the calling thread (the
    // upload alone), then on the worker while this thread runs the message
    // loop until the worker is done, as the window does (the ratio's figure).
    for (int run = 0; run < 2 * runs; ++run)
    {
        sim::SimulatedUnit::Options options;
        options.startsInUpgradeMode = true;
        options.answerAfterMs = 0.0;
        sim::SimulatedUnit unit (ports, scheduler, options);

        halvik::FirmwareUpgradeComponent window (0x1022, false);
        window.notKeyboardFamily = false;

        if (! window.openTargetMidiDevices (unit.outputName(), 0x1022))
        {
            std::printf ("could not open the unit's ports\n");
            return 1;
        }

        window.midiHandler->loadFirmwareImage (image);
        ports.clearTimeline();

        const bool onWorker = run % 2 == 1;
        const auto start = juce::Time::getMillisecondCounterHiRes();
        const auto result = onWorker ? window.uploadFirmwareOnWorker()
                                     : window.midiHandler->uploadFirmware().getErrorMessage();
        const auto took = juce::Time::getMillisecondCounterHiRes() - start;
        (onWorker ? times : alone).push_back (took);

        if (result.isNotEmpty() || unit.storedImage().size() != (size_t) imageSize)
        {
            std::printf ("upload failed: %s\n", result.toRawUTF8());
            return 1;
        }

        std::printf ("run %d %s: %.1f ms, %d messages\n", run / 2 + 1, onWorker ? "on the worker" : "alone",
                     took, (int) unit.received().size());
        window.midiHandler.reset();
    }

    std::sort (times.begin(), times.end());
    std::sort (alone.begin(), alone.end());
    std::printf ("upload alone: median %.1f ms, ratio %.3f\n", alone[runs / 2], alone[runs / 2] / floorMs);
    std::printf ("floor %.1f ms (%d messages, a 0.5 ms pause after every fourth)\n", floorMs, messages);
    std::printf ("on the worker: min %.1f ms, median %.1f ms, max %.1f ms, %.3f of the upload alone\n",
                 times.front(), times[runs / 2], times.back(), times[runs / 2] / alone[runs / 2]);
    std::printf ("ratio %.3f\n", times[runs / 2] / floorMs);
    return 0;
}

// Sends the settings image to the simulated keyboard 50 times through the
// program's own transfer, with the protocol's real pauses, and reports how
// close the wall time comes to the pauses' floor of 26 ms. Run by hand.

#include "support/SimulatedUnit.h"

#include "editor/device/Host.h"
#include "editor/device/HostImpl.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <algorithm>
#include <cstdio>
#include <vector>

int main()
{
    juce::ScopedJuceInitialiser_GUI juceSetUp;

    sim::SimulatedMidiPorts ports;
    ports.setRealPauses (true);
    sim::SimulatedUnit keyboard (ports);

    auto& host = *NsDravel::Host::getInstance()->impl;
    host.outputName = keyboard.secondOutputName();

    constexpr int runs = 50;
    constexpr double floorMs = 26.0;
    std::vector<double> times;

    for (int i = 0; i < runs; ++i)
    {
        auto start = juce::Time::getMillisecondCounterHiRes();
        auto result = host.writeSettingsToDevice();
        times.push_back (juce::Time::getMillisecondCounterHiRes() - start);

        if (result.failed())
        {
            std::printf ("transfer failed: %s\n", result.getErrorMessage().toRawUTF8());
            return 1;
        }
    }

    std::sort (times.begin(), times.end());
    auto median = (times[runs / 2 - 1] + times[runs / 2]) / 2.0;

    std::printf ("transfers %d, images applied %d\n", runs, (int) keyboard.appliedImages().size());
    std::printf ("min %.3f ms, median %.3f ms, max %.3f ms\n", times.front(), median, times.back());
    std::printf ("ratio %.3f\n", median / floorMs);
    return 0;
}

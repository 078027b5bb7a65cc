// Times how long the raw-MIDI sender takes to turn a long typed text into
// bytes, for texts of growing length written as the dialog offers them
// (pairs of digits in groups with blanks and line breaks). The time per
// character should stay flat as the text grows. Run by hand.

#include "editor/messages/RawMidiText.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
    // Whole groups as the dialog offers them, padded with blanks to the length.
    juce::String makeText (int characters)
    {
        const juce::String group ("EF7F7F F01D03 202300 0100F7\n");
        juce::String text;
        text.preallocateBytes ((size_t) characters + 1);

        while (text.length() + group.length() <= characters)
            text << group;

        return text.paddedRight (' ', characters);
    }

    double millisecondsToParse (const juce::String& text, size_t& bytesOut)
    {
        std::vector<juce::uint8> bytes;
        const auto start = juce::Time::getMillisecondCounterHiRes();
        NsDravel::parseRawMidiText (text, bytes);
        const auto elapsed = juce::Time::getMillisecondCounterHiRes() - start;
        bytesOut = bytes.size();
        return elapsed;
    }
}

int main()
{
    std::printf ("%12s %10s %12s %16s\n", "characters", "bytes", "ms (best)", "ns per character");

    for (int characters : { 1000, 10000, 100000 })
    {
        const auto text = makeText (characters);
        double best = 1.0e12;
        size_t bytes = 0;

        for (int run = 0; run < 3; ++run)
            best = std::min (best, millisecondsToParse (text, bytes));

        std::printf ("%12d %10d %12.2f %16.1f\n", text.length(), (int) bytes, best, best * 1.0e6 / text.length());
    }

    return 0;
}

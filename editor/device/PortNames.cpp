#include "editor/device/PortNames.h"
#include "midi/MidiPortNames.h"
#include "firmware/catalogue/PortNameTable.h"

#include <limits>

namespace NsDravel
{
    namespace
    {
        const char* const numberedInputPattern  = "MIDIIN? (*";
        const char* const numberedOutputPattern = "MIDIOUT? (*";

        int digitValueOrMinusOne (juce::juce_wchar c)
        {
            return (c >= '0' && c <= '9') ? (int) (c - '0') : -1;
        }

        // ALSA: "<device> MIDI <n>" is port n in both directions.
        int alsaPortNumber (const juce::String& name)
        {
            const juce::String marker (" MIDI ");
            const int markerIndex = name.lastIndexOf (marker);
            if (markerIndex < 0)
                return 1;

            const auto digits = name.substring (markerIndex + marker.length());
            if (digits.isEmpty() || ! digits.containsOnly ("0123456789"))
                return 1;

            // A number no int can hold is no port number: it would wrap round
            // to another port, or to a negative one.
            int port = 0;
            for (auto c : digits)
            {
                const int digit = (int) (c - '0');
                if (port > (std::numeric_limits<int>::max() - digit) / 10)
                    return 1;

                port = port * 10 + digit;
            }

            return port;
        }
    }

    bool isMidiInPortName (juce::String name)
    {
        return name.matchesWildcard (numberedInputPattern, false);
    }

    bool isMidiOutPortName (juce::String name)
    {
        return name.matchesWildcard (numberedOutputPattern, false);
    }

    juce::String companionPortName (juce::String name, bool isOutput)
    {
        if (isOutput && isMidiOutPortName (name))
            return name.replace ("MIDIOUT", "MIDIIN");

        if (! isOutput && isMidiInPortName (name))
            return name.replace ("MIDIIN", "MIDIOUT");

        return name;
    }

    int portNumberOfName (juce::String name)
    {
        if (isMidiOutPortName (name))
            return digitValueOrMinusOne (name[7]);

        if (isMidiInPortName (name))
            return digitValueOrMinusOne (name[6]);

        return alsaPortNumber (name);
    }

    bool isProductPortName (juce::String name)
    {
        return name.contains ("Dravel") || (name.contains ("halvik") && name.contains ("midi"));
    }

    bool isSystemPortName (const juce::String& name)
    {
        return name.contains ("Microsoft") || name.contains ("Midi Through");
    }

    juce::StringArray getCandidateDeviceNames (juce::StringArray outputNames)
    {
        outputNames.removeDuplicates (false);
        outputNames.removeEmptyStrings (true);

        juce::StringArray candidates;
        for (auto& name : outputNames)
            if (isProductPortName (name))
                candidates.add (name);

        return candidates;
    }

    juce::StringArray getCandidateDeviceNames()
    {
        return getCandidateDeviceNames (listMidiOutputNames());
    }

    juce::String findDravelDeviceName (juce::StringArray outputNames)
    {
        for (auto& name : getCandidateDeviceNames (outputNames))
            if (isDravelModelRange (halvik::getProductIdFromPortName (name)))
                return name;

        return {};
    }

    juce::String findDravelDeviceName()
    {
        return findDravelDeviceName (listMidiOutputNames());
    }

    bool isDravelModelRange (int productId)
    {
        return (unsigned int) productId - (unsigned int) firstKeyboardProductId
                   <= (unsigned int) (lastKeyboardProductId - firstKeyboardProductId);
    }

    bool isSecondPort (int portNumber)
    {
        return portNumber == 2;
    }
}

#include "editor/EditorState.h"

namespace NsDravel
{
    bool isDravelProductId (int id)
    {
        return isDravelModelRange (id) || id == detectedProductId.load();
    }

    bool dravelProductFilter (int id)
    {
        return isDravelProductId (id);
    }
}

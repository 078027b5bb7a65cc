#pragma once

#include <juce_core/juce_core.h>
#include <juce_data_structures/juce_data_structures.h>

/** The maker's list of available firmware, read from the firmware server. */
namespace halvik
{
    /** The server's base address, ending in "/": TAVLO_FIRMWARE_SERVER when
        set, else the built-in one. */
    juce::URL getFirmwareServerBase();

    /** True when the server answers the URL with a status of 200 to 304, in up
        to three tries. */
    bool isServerReachable (const juce::URL& url);

    /** Fetches the list for a product; on success list holds the product's
        entries in document order. */
    juce::Result fetchFirmwareList (int productId, juce::ValueTree& list);

    /** The "fw" value of the entry with the highest version; empty for an empty list. */
    juce::String getNewestFirmwarePath (const juce::ValueTree& list);

    /** The version number in a text such as "1.05" or "V3.2" (0 when there is
        no digit before a dot). */
    float parseVersionValue (const juce::String& text);

    /** The notice shown before every upgrade, naming the available firmware
        when the list could be had; true when the user pressed "OK". */
    bool showFirmwareAvailableNotice (int productId, bool fetchList);
}

#pragma once

#include <juce_core/juce_core.h>
#include <juce_data_structures/juce_data_structures.h>

/** The maker's list of available firmware, read from the firmware server.
    Message thread: the calls block while the network is used. */
namespace halvik
{
    /** The largest list the program accepts from the server. */
    constexpr size_t maxFirmwareListBytes = 1024 * 1024;

    /** How long the transfer of a list may last in all, however steadily it goes. */
    constexpr int firmwareListDeadlineMs = 30000;

    /** The server's base address, ending in "/": the environment variable
        TAVLO_FIRMWARE_SERVER when set, else the built-in one. */
    juce::URL getFirmwareServerBase();

    /** True when the server answers the URL with a status of 200 to 304, in up
        to three tries 50 ms apart, each allowed 2000 ms to connect. */
    bool isServerReachable (const juce::URL& url);

    /** Fetches the list for a product; on success list holds the product's
        entries in document order. Fails with "Cannot fetch firmware details
        for Unknown product", "The firmware server is currently unavailable.",
        "Error connecting to server" (followed by ": the server sent the list
        compressed (gzip)", naming the codings, for a list sent compressed or
        otherwise encoded), "Could not read server response" or "No firmware
        matches in the server, please try again manually!"; a transfer still
        going at deadlineMs is given up. */
    juce::Result fetchFirmwareList (int productId, juce::ValueTree& list, int deadlineMs = firmwareListDeadlineMs);

    /** Reads a list document as the server sent it and keeps the product's
        entries (fetchFirmwareList after the transfer). Takes any bytes: text
        that is not a well-formed list gives "Error connecting to server". */
    juce::Result readFirmwareList (const juce::MemoryBlock& document, int productId, juce::ValueTree& list);

    /** The "fw" value of the entry with the highest version; empty for an empty list. */
    juce::String getNewestFirmwarePath (const juce::ValueTree& list);

    /** The version number in a text such as "1.05" or "V3.2": the character
        before the first dot, the dot and up to three characters after it
        (0 when there is no character before a dot). */
    float parseVersionValue (const juce::String& text);

    /** The notice shown before every upgrade, naming the available firmware
        when the list could be had; true when the user pressed "OK". */
    bool showFirmwareAvailableNotice (int productId, bool fetchList);
}

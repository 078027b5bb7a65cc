#include "firmware/list/FirmwareList.h"

#include "common/UntrustedXml.h"
#include "firmware/catalogue/ProductCatalogue.h"
#include "firmware/list/ServerRead.h"
#include "firmware/midi/UpgraderWaits.h"
#include "firmware/window/UpgraderPrompts.h"

#include <juce_events/juce_events.h>

namespace halvik
{
    namespace
    {
        // Where the maker's lists live unless TAVLO_FIRMWARE_SERVER names another place.
        const char* const builtInServerBase = "https://firmware.halvik.example/";

        constexpr int reachabilityTries = 3;
        constexpr int reachabilityTimeoutMs = 2000;
        constexpr double pauseBetweenTriesMs = 50.0;
        constexpr int redirectsToFollow = 5;

        // A list is a few kilobytes: a server that sends nothing for this long has stalled.
        constexpr int listTransferTimeoutMs = 5000;

        const juce::String unknownProductText   ("Cannot fetch firmware details for Unknown product");
        const juce::String unavailableText      ("The firmware server is currently unavailable.");
        const juce::String connectionErrorText  ("Error connecting to server");
        const juce::String unreadableText       ("Could not read server response");
        const juce::String noMatchText          ("No firmware matches in the server, please try again manually!");

        bool isSpecialListProduct (int productId)
        {
            return productId == 94 || productId == 130;
        }

        // A value tree has no place for the text between elements; the list
        // carries everything in attributes, so stray text is dropped.
        void removeTextElements (juce::XmlElement& element)
        {
            element.deleteAllTextElements();

            for (auto* child : element.getChildIterator())
                removeTextElements (*child);
        }
    }

    juce::URL getFirmwareServerBase()
    {
        auto base = juce::SystemStats::getEnvironmentVariable ("TAVLO_FIRMWARE_SERVER", {}).trim();

        if (base.isEmpty())
            base = builtInServerBase;

        if (! base.endsWithChar ('/'))
            base << '/';

        return juce::URL (base);
    }

    bool isServerReachable (const juce::URL& url)
    {
        juce::MessageManager::getInstance();

        for (int attempt = 0; attempt < reachabilityTries; ++attempt)
        {
            int status = 0;
            auto probe = url.createInputStream (juce::URL::InputStreamOptions (juce::URL::ParameterHandling::inAddress)
                                                    .withConnectionTimeoutMs (reachabilityTimeoutMs)
                                                    .withNumRedirectsToFollow (redirectsToFollow)
                                                    .withStatusCode (&status));

            if (probe != nullptr && status >= 200 && status <= 304)
                return true;

            sleepMilliseconds (pauseBetweenTriesMs);
        }

        return false;
    }

    juce::Result readFirmwareList (const juce::MemoryBlock& document, int productId, juce::ValueTree& list)
    {
        auto xml = parseUntrustedXml (document, maxFirmwareListBytes);

        if (xml == nullptr)
            return juce::Result::fail (connectionErrorText);

        removeTextElements (*xml);
        auto tree = juce::ValueTree::fromXml (*xml);

        if (! tree.isValid())
            return juce::Result::fail (unreadableText);

        // The product's entries are kept in one pass: removing the others one
        // by one costs a search and a move of the rest for each.
        juce::Array<juce::ValueTree> kept;

        for (const auto& entry : tree)
            if ((int) entry["pid"] == productId)
                kept.add (entry);

        tree.removeAllChildren (nullptr);

        for (auto& entry : kept)
            tree.appendChild (entry, nullptr);

        list = tree;

        if (list.getNumChildren() == 0)
            return juce::Result::fail (noMatchText);

        return juce::Result::ok();
    }

    juce::Result fetchFirmwareList (int productId, juce::ValueTree& list, int deadlineMs)
    {
        if (productId < 0 || productId == noProductId)
            return juce::Result::fail (unknownProductText);

        const auto url = getFirmwareServerBase().getChildURL (isSpecialListProduct (productId) ? "firmware-special.xml"
                                                                                              : "firmware.xml");
        if (! isServerReachable (url))
            return juce::Result::fail (unavailableText);

        ServerAnswer answer;

        if (readFromServer (url, maxFirmwareListBytes, listTransferTimeoutMs, deadlineMs, answer).failed())
        {
            // The server is there but sent what cannot be read as it is: the
            // message says so, naming the coding, for the one who runs it.
            if (answer.refusedEncoding.isNotEmpty())
                return juce::Result::fail (connectionErrorText + ": the server sent the list compressed ("
                                           + answer.refusedEncoding + ")");

            return juce::Result::fail (connectionErrorText);
        }

        return readFirmwareList (answer.body, productId, list);
    }

    juce::String getNewestFirmwarePath (const juce::ValueTree& list)
    {
        float best = -1.0f;
        juce::ValueTree newest;

        for (const auto& entry : list)
        {
            const auto version = parseVersionValue (entry["version"].toString());

            if (version > best)
            {
                best = version;
                newest = entry;
            }
        }

        return newest.isValid() ? newest["fw"].toString() : juce::String();
    }

    float parseVersionValue (const juce::String& text)
    {
        const int dot = text.indexOfChar ('.');

        if (dot < 1)
            return 0.0f;

        return text.substring (dot - 1, dot + 4).getFloatValue();
    }

    bool showFirmwareAvailableNotice (int productId, bool fetchList)
    {
        juce::String available;

        if (fetchList)
        {
            // The models of a group share one list: the group's own.
            const int group = getProductGroup (productId);
            juce::ValueTree list ("firmwares");
            const auto result = fetchFirmwareList (group > 0 ? group : productId, list);

            if (! result.getErrorMessage().contains ("unavailable") && list.getNumChildren() > 0)
            {
                const auto first = list.getChild (0);
                available = first["name"].toString() + " V" + first["version"].toString() + " firmware is available!";
            }
        }

        juce::String message;

        if (available.isNotEmpty())
            message << available << "\n";

        message << "\n* IMPORTANT WARNING! *\n\nFAILURE TO FOLLOW THESE INSTRUCTIONS COULD DAMAGE YOUR DEVICE!!\n\n"
                   "- Connect ONLY the device you want to update\n- Make sure the power supply is connected (if any)\n"
                   "- Connect device directly to computer (no hub)\n- Do not touch device during firmware update\n"
                   "- Do not close command-line windows during update";

        return UpgraderPrompts::getCurrent().askOkCancel (juce::MessageBoxIconType::InfoIcon,
                                                          "Firmware Upgrader about to start",
                                                          message, "OK", "Cancel");
    }
}

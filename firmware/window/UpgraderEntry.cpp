#include "firmware/window/UpgraderEntry.h"

#include "firmware/UpgraderState.h"
#include "firmware/catalogue/ProductCatalogue.h"
#include "firmware/list/FirmwareList.h"
#include "firmware/window/FirmwareUpgradeComponent.h"
#include "firmware/window/UpgraderPrompts.h"

#include <optional>

namespace halvik
{
    namespace
    {
        /** Holds the re-entry guard for as long as the entry runs, and lets it
            go on every way out, an exception included. */
        struct UpgraderOpenGuard
        {
            UpgraderOpenGuard()   { upgraderOpen = true; }
            ~UpgraderOpenGuard()  { upgraderOpen = false; }

            JUCE_DECLARE_NON_COPYABLE (UpgraderOpenGuard)
        };

        /** For a product of a group, the member the user picks (the given one
            marked with "*"); nothing when the user cancels. Other products as given. */
        std::optional<int> chooseGroupMember (int productId)
        {
            const auto group = getProductGroup (productId);

            if (group == 0)
                return productId;

            const auto members = getProductGroupMembers (group);

            if (members.size() < 2)
                return productId;

            juce::StringArray buttonTexts;
            juce::Array<int> buttonValues;

            for (int i = 0; i < members.size(); ++i)
            {
                const auto name = getProductModelName (getProductIdOrDefault (members[i]));
                buttonTexts.add (members[i] == productId ? "*" + name : name);
                buttonValues.add (i + 1);
            }

            buttonTexts.add ("CANCEL");
            buttonValues.add (0);

            const auto chosen = UpgraderPrompts::getCurrent().askChoice (juce::MessageBoxIconType::QuestionIcon,
                                                                         "Select Product to Upgrade",
                                                                         juce::String ("Which ") + "unit" + " would you like to upgrade?",
                                                                         buttonTexts, buttonValues);

            if (chosen < 1 || chosen > members.size())
                return std::nullopt;

            return members[chosen - 1];
        }
    }

    int openFirmwareUpgrader (int productId, juce::Component* parent,
                              bool showNotice, bool useServerList, int extra)
    {
        juce::ignoreUnused (extra);

        if (upgraderOpen)
            return 0;

        const UpgraderOpenGuard guard;

        if (showNotice && ! showFirmwareAvailableNotice (productId, true))
            return 0;

        const auto chosenProductId = chooseGroupMember (productId);

        if (! chosenProductId.has_value())
            return 0;

        // The window resets any unit it leaves in a bootloader when it goes,
        // right after its dialog has closed.
        FirmwareUpgradeComponent window (*chosenProductId, useServerList);
        return UpgraderPrompts::getCurrent().runDialog (window, "Firmware Upgrade", parent, false);
    }
}

#include "firmware/window/FirmwareUpgradeComponent.h"

namespace halvik
{

// Stand-in until the flash procedure is built: it writes nothing and says so.
juce::String FirmwareUpgradeComponent::flashFirmwareWithBlhost (const juce::String&, bool, const juce::String&,
                                                                bool, const juce::String&, int)
{
    return "No firmware file!";
}

} // namespace halvik

#include "firmware/window/FirmwareUpgradeComponent.h"
#include "firmware/midi/UpgraderMidiHandler.h"

namespace halvik
{

// Stand-in until the window is built: it links, shows nothing and touches no device.
FirmwareUpgradeComponent::FirmwareUpgradeComponent (int givenProductId, bool serverList)
    : useServerList (serverList),
      targetProductId (givenProductId),
      currentProductId (givenProductId),
      requestedProductId (givenProductId),
      productId (givenProductId)
{
    setSize (514, 450);
}

FirmwareUpgradeComponent::~FirmwareUpgradeComponent() = default;

void FirmwareUpgradeComponent::resized() {}
void FirmwareUpgradeComponent::userTriedToCloseWindow() {}
bool FirmwareUpgradeComponent::canCloseNow() const { return true; }
void FirmwareUpgradeComponent::closeWindow() {}

} // namespace halvik

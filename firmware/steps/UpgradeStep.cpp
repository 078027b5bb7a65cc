#include "firmware/window/FirmwareUpgradeComponent.h"

namespace halvik
{

// Stand-in until the step is built: it refuses to run.
bool FirmwareUpgradeComponent::stepUpgrade (int) { return false; }

} // namespace halvik

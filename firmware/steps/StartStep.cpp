#include "firmware/window/FirmwareUpgradeComponent.h"

namespace halvik
{

// Stand-in until the step is built: it refuses to run.
bool FirmwareUpgradeComponent::stepStart (int) { return false; }

bool FirmwareUpgradeComponent::selectTarget (int) { return false; }

} // namespace halvik

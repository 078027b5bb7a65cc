#include "firmware/window/FirmwareUpgradeComponent.h"

namespace halvik
{

// Stand-in until the step is built: it refuses to run.
bool FirmwareUpgradeComponent::stepActivate (int) { return false; }

} // namespace halvik

#include "firmware/window/FirmwareUpgradeComponent.h"

namespace halvik
{

// Stand-in until the step is built: it refuses to run.
int FirmwareUpgradeComponent::stepSelectFirmware (int) { return 0; }

} // namespace halvik

#include "editor/window/UpgraderHook.h"
#include "firmware/window/UpgraderEntry.h"

namespace NsDravel
{
    UpgraderEntry& firmwareUpgraderEntry()
    {
        static UpgraderEntry entry = halvik::openFirmwareUpgrader;
        return entry;
    }
}

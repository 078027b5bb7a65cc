#include "UpgraderHook.h"
#include "firmware/UpgraderEntry.h"

namespace NsDravel
{
    UpgraderEntry& firmwareUpgraderEntry()
    {
        static UpgraderEntry entry = halvik::openFirmwareUpgrader;
        return entry;
    }
}

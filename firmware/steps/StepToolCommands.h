#pragma once

#include "firmware/tool/FlashTool.h"

/** The two flashing-tool commands that the Start, Enter and Activate steps
    send to a unit of the tool family with the same arguments every time.
    Message thread. */
namespace halvik::stepcommands
{
    /** The unit's boot address and the size the tool is told about; the
        bootloader ignores both for these two commands. */
    inline const char* const bootAddress = "0x60010000";
    inline const char* const bootRegionSize = "524288";

    /** Asks the unit's bootloader for a property: 1 it answered with
        success, 0 it answered, -1 nothing answered. */
    inline int probeBootloader()
    {
        return runBlhostCommand ("keep", bootRegionSize, {}, bootAddress, "3");
    }

    /** Restarts the unit out of its bootloader: 1 when it confirmed. */
    inline int resetThroughTool()
    {
        return runBlhostCommand ("reset", bootRegionSize, {}, bootAddress, "3");
    }
}

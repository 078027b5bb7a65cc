#pragma once

#include <cstddef>

namespace halvik
{
    /** The largest file the program takes for a firmware image, however it
        comes: downloaded, chosen for an upload over MIDI or flashed through
        the tool. Bigger files are never read whole. Any thread. */
    constexpr size_t maxFirmwareImageBytes = 2 * 1024 * 1024;
}

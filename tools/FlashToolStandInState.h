#pragma once

// The state folder of the flashing-tool stand-in's simulated unit, as the
// stand-in and the tests that give it a unit both read it:
//     flash.bin   the unit's 4 MiB flash from 0x60000000; missing, it reads erased (0xFF)
//     run-N       the arguments of run N (from 1), each followed by a NUL
//     hang.pid    process id of the last run that hung
//     helper.pid  process id of the last helper a run left behind, until it ends by itself
// plus the fault switches that tests put there (see FlashToolStandIn.cpp).

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace standin
{
    constexpr std::uint64_t flashBase = 0x60000000;
    constexpr std::uint64_t flashSize = 4 * 1024 * 1024;

    inline std::filesystem::path runFile (const std::filesystem::path& folder, long run)
    {
        return folder / ("run-" + std::to_string (run));
    }

    /** A file's bytes; ok tells whether it could be read. */
    inline std::vector<unsigned char> readFile (const std::filesystem::path& path, bool& ok)
    {
        std::ifstream in (path, std::ios::binary);
        ok = in.good();
        return { std::istreambuf_iterator<char> (in), std::istreambuf_iterator<char>() };
    }

    inline std::vector<unsigned char> loadFlash (const std::filesystem::path& folder)
    {
        bool ok = false;
        auto flash = readFile (folder / "flash.bin", ok);

        if (! ok || flash.size() != flashSize)
            flash.assign (flashSize, 0xFF);

        return flash;
    }

    inline bool saveFlash (const std::filesystem::path& folder, const std::vector<unsigned char>& flash)
    {
        std::ofstream out (folder / "flash.bin", std::ios::binary | std::ios::trunc);
        out.write (reinterpret_cast<const char*> (flash.data()), (std::streamsize) flash.size());
        return out.good();
    }
}

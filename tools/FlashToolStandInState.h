#pragma once

// The state folder of the flashing-tool stand-in's simulated unit, as the
// stand-in and the tests that give it a unit both read it:
//     flash.bin   the unit's 4 MiB flash from 0x60000000; missing, it reads erased (0xFF)
//     run-N       the arguments of run N (from 1), each followed by a NUL
//     hang.pid    process id of the last run that hung
//     helper.pid  process id of the last helper a run left behind, until it ends by itself
// plus the fault switches that tests put there (see FlashToolStandIn.cpp).

#include <algorithm>
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

    inline std::filesystem::path runFile (const std::filesystem::path& folder, std::size_t run)
    {
        return folder / ("run-" + std::to_string (run));
    }

    /** Records a run's arguments (without the tool's path) as the next run-N; returns N. */
    inline std::size_t logRun (const std::filesystem::path& folder, int argc, char** argv)
    {
        std::size_t run = 1;

        while (std::filesystem::exists (runFile (folder, run)))
            ++run;

        std::ofstream log (runFile (folder, run), std::ios::binary);

        for (int i = 1; i < argc; ++i)
            log << argv[i] << '\0';

        return run;
    }

    /** Every run's arguments, in order. */
    inline std::vector<std::vector<std::string>> readRuns (const std::filesystem::path& folder)
    {
        std::vector<std::vector<std::string>> runs;
        bool ok = true;

        for (auto log = readFile (runFile (folder, 1), ok); ok; log = readFile (runFile (folder, runs.size() + 1), ok))
        {
            auto& arguments = runs.emplace_back();

            for (auto at = log.begin(); at != log.end(); at = std::find (at, log.end(), 0) + 1)
                arguments.emplace_back (at, std::find (at, log.end(), 0));
        }

        return runs;
    }

    /** The number in a file (such as a process id), or -1. */
    inline long readNumber (const std::filesystem::path& file)
    {
        long number = -1;
        std::ifstream (file) >> number;
        return number;
    }

    inline bool saveFlash (const std::filesystem::path& folder, const std::vector<unsigned char>& flash)
    {
        std::ofstream out (folder / "flash.bin", std::ios::binary | std::ios::trunc);
        out.write (reinterpret_cast<const char*> (flash.data()), (std::streamsize) flash.size());
        return out.good();
    }
}

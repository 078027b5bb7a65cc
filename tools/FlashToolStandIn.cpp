// A stand-in for the USB bootloader host tool, for tests only.
//
// It answers the five command lines the upgrader runs and keeps a simulated
// unit in a state folder named by the environment variable
// TAVLO_FLASH_STANDIN_STATE:
//
//     -u -- get-property 1
//     -u -t T -- flash-erase-region ADDR SIZE
//     -u -- write-memory ADDR FILE
//     -u -- read-memory ADDR COUNT FILE
//     -u -- reset
//
// (numbers in hex, 0x..., or decimal). A command that reached the unit prints
// a line with "status = N", and "Success." when N is 0; when no unit answers
// there is no status line at all. Without the state variable no unit ever
// answers, so the program can never "flash" a simulated unit by accident.
//
// State folder:
//     flash.bin   the unit's 4 MiB flash from 0x60000000, erased to 0xFF;
//                 writes only clear bits (new = old & data), as flash does
//     runs.log    every run's arguments, one run a line, tab between
//                 arguments (tab, line breaks and backslash escaped as
//                 \t \n \r \\)
//     run-count   how many runs there were
//     hang.pid    process id of the last run that hung
//     helper.pid  process id of the last helper a run left behind
//
// Fault switches, as files in the state folder:
//     no-device              no unit answers any command
//     present-after          (holds N) no unit answers the first N runs
//     fail-CMD               CMD ends with an error status, no "Success."
//     mute-CMD               CMD gets no answer (no status line)
//                            CMD: property, erase, write, read, reset
//     read-no-file           read-memory reports success but writes no file
//     corrupt-read           read-memory flips the bits of the first byte it returns
//     hang                   the run hangs until killed; when the file holds a
//                            CMD word only that command hangs
//     leave-helper           a run that answers or hangs leaves a helper process
//                            behind that holds its output open until killed
//     chatter                (holds N) N bytes of noise between the status line
//                            and its verdict
//     skip-alternate-chunks  a write keeps only every other 1016-byte chunk of
//                            its data (the 1st, 3rd, ...), written one after
//                            the other, as a host that drops every other
//                            transfer would
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace
{
    constexpr std::uint64_t flashBase = 0x60000000;
    constexpr std::uint64_t flashSize = 4 * 1024 * 1024;
    constexpr std::size_t quirkChunkSize = 1016;

    constexpr int statusOk = 0;
    constexpr int statusFailed = 1;            // a command the unit refused
    constexpr int statusOutOfRange = 10200;    // an address outside the flash
    constexpr int statusNoFile = 10300;        // the data file could not be read

    fs::path stateFolder;

    bool switchIsOn (const std::string& name)
    {
        return fs::exists (stateFolder / name);
    }

    std::string switchText (const std::string& name)
    {
        std::ifstream in (stateFolder / name);
        std::string text ((std::istreambuf_iterator<char> (in)), std::istreambuf_iterator<char>());

        while (! text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
            text.pop_back();

        return text;
    }

    std::string escapeForLog (const std::string& argument)
    {
        std::string escaped;

        for (auto c : argument)
        {
            if (c == '\\')      escaped += "\\\\";
            else if (c == '\t') escaped += "\\t";
            else if (c == '\n') escaped += "\\n";
            else if (c == '\r') escaped += "\\r";
            else                escaped += c;
        }

        return escaped;
    }

    void logRun (int argc, char** argv)
    {
        std::ofstream log (stateFolder / "runs.log", std::ios::app | std::ios::binary);

        for (int i = 1; i < argc; ++i)
            log << (i > 1 ? "\t" : "") << escapeForLog (argv[i]);

        log << '\n';
    }

    long countRun()
    {
        long count = 0;
        {
            std::ifstream in (stateFolder / "run-count");
            in >> count;
        }

        std::ofstream (stateFolder / "run-count", std::ios::trunc) << ++count << '\n';
        return count;
    }

    std::optional<std::uint64_t> parseNumber (const std::string& text)
    {
        const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
        const auto digits = hex ? text.substr (2) : text;

        if (digits.empty() || digits.size() > 16)
            return std::nullopt;

        std::uint64_t value = 0;

        for (auto c : digits)
        {
            int digit = -1;

            if (c >= '0' && c <= '9')               digit = c - '0';
            else if (hex && c >= 'a' && c <= 'f')   digit = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F')   digit = c - 'A' + 10;

            if (digit < 0)
                return std::nullopt;

            value = value * (hex ? 16 : 10) + (std::uint64_t) digit;
        }

        return value;
    }

    bool inFlash (std::uint64_t address, std::uint64_t count)
    {
        return address >= flashBase && count <= flashSize && address - flashBase <= flashSize - count;
    }

    std::vector<unsigned char> readFile (const fs::path& path, bool& ok)
    {
        std::ifstream in (path, std::ios::binary);
        ok = in.good();
        return std::vector<unsigned char> ((std::istreambuf_iterator<char> (in)), std::istreambuf_iterator<char>());
    }

    /** The unit's flash, created erased on first use. */
    std::vector<unsigned char> loadFlash()
    {
        bool ok = false;
        auto flash = readFile (stateFolder / "flash.bin", ok);

        if (! ok || flash.size() != flashSize)
            flash.assign (flashSize, 0xFF);

        return flash;
    }

    bool saveFlash (const std::vector<unsigned char>& flash)
    {
        std::ofstream out (stateFolder / "flash.bin", std::ios::binary | std::ios::trunc);
        out.write (reinterpret_cast<const char*> (flash.data()), (std::streamsize) flash.size());
        return out.good();
    }

    // A helper that outlives the run and keeps its standard output open, as
    // a tool that starts a background service would. Ending it is the job of
    // whoever ran the tool.
    void leaveHelperBehind()
    {
        std::cout.flush();
        const auto helper = fork();

        if (helper == 0)
        {
            // The bound only keeps a forgotten helper from lingering for ever.
            std::this_thread::sleep_for (std::chrono::minutes (5));
            _exit (0);
        }

        if (helper > 0)
            std::ofstream (stateFolder / "helper.pid", std::ios::trunc) << helper << '\n';
    }

    void chatter()
    {
        const auto total = switchIsOn ("chatter") ? parseNumber (switchText ("chatter")).value_or (0) : 0;
        const std::string noise (65536, '.');

        for (std::uint64_t written = 0; written < total; written += noise.size())
            std::cout.write (noise.data(), (std::streamsize) std::min<std::uint64_t> (noise.size(), total - written));
    }

    int report (int status, const std::string& what)
    {
        std::cout << "Stand-in unit: " << what << "\n"
                  << "status = " << status << "\n";
        chatter();

        if (status == statusOk)
            std::cout << "Success.\n";
        else
            std::cout << "Failed.\n";

        if (switchIsOn ("leave-helper"))
            leaveHelperBehind();

        return status == statusOk ? 0 : 1;
    }

    int noAnswer()
    {
        std::cout << "No unit answered.\n";
        return 1;
    }

    int usageError (const std::string& why)
    {
        std::cerr << "tavlo_flash_tool_standin: " << why << "\n";
        return 2;
    }

    [[noreturn]] void hang()
    {
        std::ofstream (stateFolder / "hang.pid", std::ios::trunc) << getpid() << '\n';

        if (switchIsOn ("leave-helper"))
            leaveHelperBehind();

        // Killed by the program long before this ends; the bound only keeps a
        // forgotten stand-in from lingering for ever.
        std::this_thread::sleep_for (std::chrono::minutes (5));
        std::exit (1);
    }

    std::string shortName (const std::string& command)
    {
        if (command == "get-property")       return "property";
        if (command == "flash-erase-region") return "erase";
        if (command == "write-memory")       return "write";
        if (command == "read-memory")        return "read";
        return command;
    }

    int erase (const std::vector<std::string>& args)
    {
        const auto address = args.size() == 2 ? parseNumber (args[0]) : std::nullopt;
        const auto count   = args.size() == 2 ? parseNumber (args[1]) : std::nullopt;

        if (! address || ! count)
            return usageError ("flash-erase-region takes an address and a byte count");

        if (! inFlash (*address, *count))
            return report (statusOutOfRange, "erase outside the flash");

        auto flash = loadFlash();
        std::fill_n (flash.begin() + (std::ptrdiff_t) (*address - flashBase), (std::ptrdiff_t) *count, (unsigned char) 0xFF);

        if (! saveFlash (flash))
            return report (statusFailed, "erase could not be kept");

        return report (statusOk, "erased " + std::to_string (*count) + " bytes");
    }

    int write (const std::vector<std::string>& args)
    {
        const auto address = args.size() == 2 ? parseNumber (args[0]) : std::nullopt;

        if (! address)
            return usageError ("write-memory takes an address and a file");

        bool readable = false;
        auto data = readFile (args[1], readable);

        if (! readable)
            return report (statusNoFile, "cannot read " + args[1]);

        if (switchIsOn ("skip-alternate-chunks"))
        {
            std::vector<unsigned char> kept;

            for (std::size_t start = 0; start < data.size(); start += 2 * quirkChunkSize)
                kept.insert (kept.end(), data.begin() + (std::ptrdiff_t) start,
                             data.begin() + (std::ptrdiff_t) std::min (data.size(), start + quirkChunkSize));

            data.swap (kept);
        }

        if (! inFlash (*address, data.size()))
            return report (statusOutOfRange, "write outside the flash");

        auto flash = loadFlash();
        const auto offset = (std::size_t) (*address - flashBase);

        for (std::size_t i = 0; i < data.size(); ++i)
            flash[offset + i] &= data[i];

        if (! saveFlash (flash))
            return report (statusFailed, "write could not be kept");

        return report (statusOk, "wrote " + std::to_string (data.size()) + " bytes");
    }

    int read (const std::vector<std::string>& args)
    {
        const auto address = args.size() == 3 ? parseNumber (args[0]) : std::nullopt;
        const auto count   = args.size() == 3 ? parseNumber (args[1]) : std::nullopt;

        if (! address || ! count)
            return usageError ("read-memory takes an address, a byte count and a file");

        if (! inFlash (*address, *count))
            return report (statusOutOfRange, "read outside the flash");

        if (switchIsOn ("read-no-file"))
            return report (statusOk, "read " + std::to_string (*count) + " bytes");

        const auto flash = loadFlash();
        std::vector<unsigned char> data (flash.begin() + (std::ptrdiff_t) (*address - flashBase),
                                         flash.begin() + (std::ptrdiff_t) (*address - flashBase + *count));

        if (switchIsOn ("corrupt-read") && ! data.empty())
            data[0] = (unsigned char) ~data[0];

        std::ofstream out (args[2], std::ios::binary | std::ios::trunc);
        out.write (reinterpret_cast<const char*> (data.data()), (std::streamsize) data.size());

        if (! out.good())
            return report (statusNoFile, "cannot write " + args[2]);

        return report (statusOk, "read " + std::to_string (*count) + " bytes");
    }
}

int main (int argc, char** argv)
{
    const char* state = std::getenv ("TAVLO_FLASH_STANDIN_STATE");

    if (state == nullptr || *state == 0)
        return noAnswer();

    stateFolder = state;
    std::error_code ignored;
    fs::create_directories (stateFolder, ignored);

    logRun (argc, argv);
    const auto runNumber = countRun();

    // Options, up to "--": -u (the USB link, required) and -t (a time-out the
    // simulated unit never needs).
    bool usb = false;
    int i = 1;

    for (; i < argc && std::string (argv[i]) != "--"; ++i)
    {
        const std::string option (argv[i]);

        if (option == "-u")
            usb = true;
        else if (option == "-t" && i + 1 < argc && parseNumber (argv[i + 1]))
            ++i;
        else
            return usageError ("unknown option " + option);
    }

    if (! usb)
        return usageError ("only the USB link (-u) is simulated");

    if (i + 1 >= argc)
        return usageError ("no command after --");

    const std::string command (argv[i + 1]);
    const std::vector<std::string> args (argv + i + 2, argv + argc);
    const auto name = shortName (command);

    if (switchIsOn ("hang"))
    {
        const auto only = switchText ("hang");

        if (only.empty() || only == name)
            hang();
    }

    if (switchIsOn ("no-device"))
        return noAnswer();

    if (switchIsOn ("present-after"))
        if (auto absentRuns = parseNumber (switchText ("present-after")); absentRuns && (std::uint64_t) runNumber <= *absentRuns)
            return noAnswer();

    if (switchIsOn ("mute-" + name))
        return noAnswer();

    if (switchIsOn ("fail-" + name))
        return report (statusFailed, command + " refused");

    if (command == "get-property")
        return args.size() == 1 ? report (statusOk, "property " + args[0] + " read")
                                : usageError ("get-property takes one property number");

    if (command == "flash-erase-region")
        return erase (args);

    if (command == "write-memory")
        return write (args);

    if (command == "read-memory")
        return read (args);

    if (command == "reset")
        return args.empty() ? report (statusOk, "reset") : usageError ("reset takes no arguments");

    return usageError ("unknown command " + command);
}

// A stand-in for the USB bootloader host tool, for tests only.
//
// It answers the five command lines the upgrader runs and keeps a simulated
// unit in a state folder named by the environment variable
// TAVLO_FLASH_STANDIN_STATE (its files: FlashToolStandInState.h):
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
// Writes only clear bits of the flash (new = old & data), as flash does.
//
// Fault switches, as files in the state folder:
//     no-device              no unit answers any command
//     present-after          (holds N) no unit answers the first N runs
//     fail-CMD               CMD ends with an error status, no "Success."
//     mute-CMD               CMD gets no answer (no status line)
//                            CMD: property, erase, write, read, reset
//     read-no-file           read-memory reports success but writes no file
//     no-status              a command that reached the unit prints its verdict
//                            ("Success." too) without the status line
//     corrupt-read           read-memory flips the bits of the first byte it returns
//     corrupt-read-end       read-memory flips the bits of the last byte it returns
//     hang                   the run hangs until killed
//     leave-helper           a run that answers or hangs leaves a helper process
//                            behind that holds its output open until killed, or
//                            (when the file holds N) for N ms, then ends and
//                            removes helper.pid
//     leave-detached-helper  as leave-helper for a run that answers, but the
//                            helper leaves the run's process group (setsid), as
//                            a daemon does, and once the run has been reaped it
//                            prints "Success." of its own into the output
//     chatter                (holds N) N bytes of noise between the status line
//                            and its verdict
//     split-verdict          the status line and the verdict each go out in two
//                            pieces ("stat" "us = N", "Succ" "ess."), the second
//                            only once the first has been read from the pipe
//     skip-alternate-chunks  a write keeps only every other 1016-byte chunk of
//                            its data (the 1st, 3rd, ...), written one after
//                            the other, as a host that drops every other
//                            transfer would
#include "FlashToolStandInState.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <thread>

namespace fs = std::filesystem;
using standin::flashBase;
using standin::flashSize;

namespace
{
    constexpr int statusOk = 0;
    constexpr int statusFailed = 1;            // a command the unit refused
    constexpr int statusOutOfRange = 10200;    // an address outside the flash
    constexpr int statusNoFile = 10300;        // a data file that could not be read or written

    fs::path stateFolder;

    bool switchIsOn (const std::string& name)
    {
        return fs::exists (stateFolder / name);
    }

    std::optional<std::uint64_t> parseNumber (const std::string& text)
    {
        const bool hex = text.rfind ("0x", 0) == 0 || text.rfind ("0X", 0) == 0;
        const auto digits = text.substr (hex ? 2 : 0);

        if (digits.empty() || digits.size() > 16 || digits.find_first_not_of (hex ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos)
            return std::nullopt;

        return std::stoull (digits, nullptr, hex ? 16 : 10);
    }

    /** The number a switch holds; none when it is off. */
    std::optional<std::uint64_t> switchNumber (const std::string& name)
    {
        std::string text;
        std::ifstream (stateFolder / name) >> text;
        return parseNumber (text);
    }

    bool inFlash (std::uint64_t address, std::uint64_t count)
    {
        return address >= flashBase && count <= flashSize && address - flashBase <= flashSize - count;
    }

    // A helper that outlives the run and keeps its standard output open, as
    // a tool that starts a background service would. Ending it is the job of
    // whoever ran the tool; the default bound only keeps a forgotten one from
    // lingering. A detached one is beyond that: it starts a session of its
    // own, and once the run is gone for good (reaped) it prints a verdict
    // that is not the run's.
    void leaveHelperBehind (const std::string& switchName, bool detached)
    {
        std::cout.flush();
        const auto run = getpid();
        const auto holdFor = std::chrono::milliseconds (switchNumber (switchName).value_or (300000));

        if (const auto helper = fork(); helper == 0)
        {
            if (detached)
            {
                setsid();
                std::signal (SIGPIPE, SIG_IGN);   // an output nobody reads any more does not end it
                const auto until = std::chrono::steady_clock::now() + holdFor;

                while (kill (run, 0) == 0 && std::chrono::steady_clock::now() < until)
                    std::this_thread::sleep_for (std::chrono::milliseconds (1));

                std::cout << "Success.\n" << std::flush;
            }

            std::this_thread::sleep_for (holdFor);
            std::error_code ignored;
            fs::remove (stateFolder / "helper.pid", ignored);
            _exit (0);
        }
        else if (helper > 0)
        {
            std::ofstream (stateFolder / "helper.pid") << helper << '\n';
        }
    }

    // Writes the text and returns once whoever reads the output has taken all
    // of it from the pipe: what follows then comes to it in a read of its own.
    // An output that is no pipe, or that nobody reads, only costs the bound.
    void writeAndWaitUntilRead (const std::string& text)
    {
        std::cout << text << std::flush;

        for (int waitedMs = 0; waitedMs < 5000; ++waitedMs)
        {
            int unread = 0;

            if (ioctl (STDOUT_FILENO, FIONREAD, &unread) != 0 || unread == 0)
                return;

            std::this_thread::sleep_for (std::chrono::milliseconds (1));
        }
    }

    // The text; with "split-verdict" on, cut after its first four characters.
    void printMarker (const std::string& text)
    {
        if (! switchIsOn ("split-verdict"))
        {
            std::cout << text;
            return;
        }

        writeAndWaitUntilRead (text.substr (0, 4));
        std::cout << text.substr (4);
    }

    int report (int status, const std::string& what)
    {
        std::cout << "Stand-in unit: " << what << "\n";

        if (! switchIsOn ("no-status"))
            printMarker ("status = " + std::to_string (status) + "\n");

        const std::string noise (65536, '.');

        for (auto left = switchNumber ("chatter").value_or (0); left > 0; left -= std::min<std::uint64_t> (left, noise.size()))
            std::cout.write (noise.data(), (std::streamsize) std::min<std::uint64_t> (left, noise.size()));

        printMarker (status == statusOk ? "Success.\n" : "Failed.\n");

        if (switchIsOn ("leave-helper"))
            leaveHelperBehind ("leave-helper", false);
        else if (switchIsOn ("leave-detached-helper"))
            leaveHelperBehind ("leave-detached-helper", true);

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

    int erase (const std::vector<std::string>& args)
    {
        const auto address = args.size() == 2 ? parseNumber (args[0]) : std::nullopt;
        const auto count   = args.size() == 2 ? parseNumber (args[1]) : std::nullopt;

        if (! address || ! count)
            return usageError ("flash-erase-region takes an address and a byte count");

        if (! inFlash (*address, *count))
            return report (statusOutOfRange, "erase outside the flash");

        auto flash = standin::loadFlash (stateFolder);
        std::fill_n (flash.begin() + (std::ptrdiff_t) (*address - flashBase), (std::ptrdiff_t) *count, (unsigned char) 0xFF);

        return standin::saveFlash (stateFolder, flash) ? report (statusOk, "erased " + std::to_string (*count) + " bytes")
                                                      : report (statusFailed, "erase could not be kept");
    }

    int write (const std::vector<std::string>& args)
    {
        const auto address = args.size() == 2 ? parseNumber (args[0]) : std::nullopt;

        if (! address)
            return usageError ("write-memory takes an address and a file");

        bool readable = false;
        auto data = standin::readFile (args[1], readable);

        if (! readable)
            return report (statusNoFile, "cannot read " + args[1]);

        if (switchIsOn ("skip-alternate-chunks"))
        {
            constexpr std::size_t chunk = 1016;
            std::vector<unsigned char> kept;

            for (std::size_t start = 0; start < data.size(); start += 2 * chunk)
                kept.insert (kept.end(), data.begin() + (std::ptrdiff_t) start, data.begin() + (std::ptrdiff_t) std::min (data.size(), start + chunk));

            data.swap (kept);
        }

        if (! inFlash (*address, data.size()))
            return report (statusOutOfRange, "write outside the flash");

        auto flash = standin::loadFlash (stateFolder);

        for (std::size_t i = 0; i < data.size(); ++i)
            flash[*address - flashBase + i] &= data[i];

        return standin::saveFlash (stateFolder, flash) ? report (statusOk, "wrote " + std::to_string (data.size()) + " bytes")
                                                      : report (statusFailed, "write could not be kept");
    }

    int read (const std::vector<std::string>& args)
    {
        const auto address = args.size() == 3 ? parseNumber (args[0]) : std::nullopt;
        const auto count   = args.size() == 3 ? parseNumber (args[1]) : std::nullopt;

        if (! address || ! count)
            return usageError ("read-memory takes an address, a byte count and a file");

        if (! inFlash (*address, *count))
            return report (statusOutOfRange, "read outside the flash");

        const auto done = "read " + std::to_string (*count) + " bytes";

        if (switchIsOn ("read-no-file"))
            return report (statusOk, done);

        const auto flash = standin::loadFlash (stateFolder);
        std::vector<unsigned char> data (flash.begin() + (std::ptrdiff_t) (*address - flashBase),
                                         flash.begin() + (std::ptrdiff_t) (*address - flashBase + *count));

        if (switchIsOn ("corrupt-read") && ! data.empty())
            data[0] = (unsigned char) ~data[0];

        if (switchIsOn ("corrupt-read-end") && ! data.empty())
            data.back() = (unsigned char) ~data.back();

        std::ofstream out (args[2], std::ios::binary | std::ios::trunc);
        out.write (reinterpret_cast<const char*> (data.data()), (std::streamsize) data.size());
        return out.good() ? report (statusOk, done) : report (statusNoFile, "cannot write " + args[2]);
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

    const auto run = standin::logRun (stateFolder, argc, argv);

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

    if (! usb || i + 1 >= argc)
        return usageError ("the USB link (-u), then a command after --");

    const std::string command (argv[i + 1]);
    const std::vector<std::string> args (argv + i + 2, argv + argc);
    const std::string name = command == "get-property" ? "property" : command == "flash-erase-region" ? "erase"
                           : command == "write-memory" ? "write" : command == "read-memory" ? "read" : command;

    if (switchIsOn ("hang"))
    {
        // Killed by the program long before this ends; the bound only keeps a
        // forgotten stand-in from lingering.
        std::ofstream (stateFolder / "hang.pid") << getpid() << '\n';

        if (switchIsOn ("leave-helper"))
            leaveHelperBehind ("leave-helper", false);

        std::this_thread::sleep_for (std::chrono::minutes (5));
        return 1;
    }

    if (switchIsOn ("no-device") || switchIsOn ("mute-" + name) || (std::uint64_t) run <= switchNumber ("present-after").value_or (0))
        return noAnswer();

    if (switchIsOn ("fail-" + name))
        return report (statusFailed, command + " refused");

    if (command == "get-property" && args.size() == 1)
        return report (statusOk, "property " + args[0] + " read");

    if (command == "reset" && args.empty())
        return report (statusOk, "reset");

    if (command == "flash-erase-region")
        return erase (args);

    if (command == "write-memory")
        return write (args);

    if (command == "read-memory")
        return read (args);

    return usageError ("unknown command or arguments: " + command);
}

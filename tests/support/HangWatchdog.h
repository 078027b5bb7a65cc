#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>

namespace sim
{
    /** Ends the test program, naming what it guards, when the code under test
        hangs or keeps taking memory while the object lives. Such a fault
        cannot fail a test the usual way: the test's own thread is the one
        stuck. Both limits (20 s, and 1 GiB more memory than at the start) are
        far past what the guarded code needs on a slow machine, so only a
        hang or a read without bound reaches them.
    */
    class HangWatchdog
    {
    public:
        explicit HangWatchdog (std::string whatIsGuarded)
            : what (std::move (whatIsGuarded)),
              watcher ([this] { watch(); })
        {
        }

        ~HangWatchdog()
        {
            {
                const std::lock_guard<std::mutex> lock (mutex);
                finished = true;
            }

            wake.notify_all();
            watcher.join();
        }

    private:
        static long residentMegabytes()
        {
            long sizeInPages = 0;
            long residentPages = 0;
            std::ifstream ("/proc/self/statm") >> sizeInPages >> residentPages;
            return residentPages * ::sysconf (_SC_PAGESIZE) / (1024 * 1024);
        }

        void watch()
        {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds (20);
            const auto residentAtStart = residentMegabytes();
            std::unique_lock<std::mutex> lock (mutex);

            // Looked at ten times a second: a read without bound takes
            // hundreds of megabytes in that time.
            while (! wake.wait_for (lock, std::chrono::milliseconds (100), [this] { return finished; }))
            {
                const bool stuck = std::chrono::steady_clock::now() > deadline;
                const bool swelling = residentMegabytes() - residentAtStart > 1024;

                if (stuck || swelling)
                {
                    std::fprintf (stderr, "%s: %s\n", stuck ? "Stuck" : "Taking memory without bound", what.c_str());
                    std::_Exit (EXIT_FAILURE);
                }
            }
        }

        const std::string what;
        std::mutex mutex;
        std::condition_variable wake;
        bool finished = false;
        std::thread watcher;    // last: it starts once everything it uses is there
    };
}

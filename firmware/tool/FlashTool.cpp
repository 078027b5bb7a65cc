#include "firmware/tool/FlashTool.h"

#include "common/ResourcesFolder.h"
#include "firmware/UpgraderState.h"
#include "firmware/midi/UpgraderWaits.h"
#include "firmware/tool/ToolProcess.h"

#include <unistd.h>

namespace halvik
{
    namespace
    {
        const juce::String defaultConsoleNotice { "DO NOT CLOSE the command-line windows during firmware update!" };

        // The size the "keep" and "reset" commands tell the tool about; the
        // bootloader ignores it there.
        const char* const bootRegionSize = "524288";

        // How long a run may last before it counts as hung. Generous: killing a
        // tool in the middle of a real write leaves a unit without firmware,
        // while a hung tool only costs the wait.
        constexpr int shortCommandTimeoutMs = 20000;      // get-property, reset
        constexpr int transferTimeoutMs     = 300000;     // write-memory, read-memory
        constexpr int eraseTimeoutMarginMs  = 20000;      // beyond the tool's own -t

        FlashToolNoticeSink noticeSink;
        bool toolRunning = false;

        void showNotice (const juce::String& notice)
        {
            if (noticeSink)
                noticeSink (notice);
        }

        /** Paths reach the tool absolute, so that nothing it is given can be
            mistaken for an option or looked up on the search path. */
        juce::String absolutePath (const juce::String& path)
        {
            if (path.startsWithChar ('/'))
                return path;

            return juce::File::getCurrentWorkingDirectory().getFullPathName() + "/" + path;
        }

        struct EraseTiming
        {
            int toolTimeoutMs;
            int pauseMs;
        };

        /** The tool's time-out and the pause after it, both scaled to the
            size; sizes past 0x101000 bytes take no longer than that. */
        EraseTiming eraseTimingFor (const juce::String& size)
        {
            const auto bytes = (juce::uint32) size.getIntValue();
            const auto n = (int) (juce::jmin (bytes, (juce::uint32) 1052672) / 63);

            return { (n >= 5000 && n <= 64000) ? n : 5000,
                     n <= 64000 ? n : 5000 };
        }

        const juce::String statusMarker { "status = " }, successMarker { "Success." };

        /** Classifies by the markers found anywhere in the tool's output. */
        int resultOf (const juce::StringArray& markersFound)
        {
            if (! markersFound.contains (statusMarker))
                return -1;

            return markersFound.contains (successMarker) ? 1 : 0;
        }

        /** Holds the mark that a tool run is under way. */
        struct ScopedToolRun
        {
            ScopedToolRun()  { toolRunning = true; }
            ~ScopedToolRun() { toolRunning = false; }
        };
    }

    juce::File locateFlashTool()
    {
        const auto fromEnvironment = juce::SystemStats::getEnvironmentVariable ("TAVLO_FLASH_TOOL", {});

        if (fromEnvironment.isNotEmpty())
            return juce::File::getCurrentWorkingDirectory().getChildFile (fromEnvironment);

        return getResourceFile ("resources/Assets/tools/linux/blhost");
    }

    juce::String describeFlashToolProblem (const juce::String& path)
    {
        const auto tool = path.isEmpty() ? locateFlashTool() : juce::File (path);
        const juce::String where ("\n\nIt goes at resources/Assets/tools/linux/blhost next to Tavlo, executable, "
                                  "or where the environment variable TAVLO_FLASH_TOOL names.");

        if (! tool.existsAsFile())
            return "The flashing tool is missing:\n" + tool.getFullPathName() + where;

        if (access (tool.getFullPathName().toRawUTF8(), X_OK) != 0)
            return "The flashing tool cannot be run (it is not executable):\n" + tool.getFullPathName() + where;

        return {};
    }

    FlashToolNoticeSink setFlashToolNoticeSink (FlashToolNoticeSink newSink)
    {
        std::swap (noticeSink, newSink);
        return newSink;
    }

    juce::String describeConsoleNotice (const juce::String& notice)
    {
        // The steps write a notice as a chain of echo commands: "&&" starts
        // another line and "echo." stands for an empty one. The notice label
        // shows the lines' text, joined.
        const auto text = notice.isNotEmpty() ? notice : defaultConsoleNotice;
        juce::StringArray lines;
        int start = 0;

        for (bool first = true;; first = false)
        {
            const auto end = text.indexOf (start, "&&");
            auto piece = text.substring (start, end < 0 ? text.length() : end);

            if (first)
            {
                lines.add (piece.trim());
            }
            else
            {
                piece = piece.trimStart();

                if (piece.startsWithIgnoreCase ("echo"))
                    lines.add (piece.substring (5).trim());
            }

            if (end < 0)
                break;

            start = end + 2;
        }

        lines.removeEmptyStrings();
        return lines.joinIntoString (" ");
    }

    int runBlhostCommand (juce::String command, juce::String argument, juce::String text,
                          juce::String address, juce::String pingCount, bool stopAfterNotice)
    {
        if (flashToolPath.isEmpty() || toolRunning)
            return -1;

        command = command.toLowerCase();

        juce::StringArray arguments { absolutePath (flashToolPath), "-u" };
        int timeoutMs = shortCommandTimeoutMs;
        double pauseMs = 235.0;

        if (command == "keep")
        {
            arguments.addArray ({ "--", "get-property", "1" });
        }
        else if (command == "erase")
        {
            const auto timing = eraseTimingFor (argument);
            arguments.addArray ({ "-t", juce::String (timing.toolTimeoutMs), "--", "flash-erase-region", address, argument });
            timeoutMs = timing.toolTimeoutMs + eraseTimeoutMarginMs;
            pauseMs = timing.pauseMs;
        }
        else if (command == "write")
        {
            arguments.addArray ({ "--", "write-memory", address, absolutePath (argument) });
            timeoutMs = transferTimeoutMs;
            pauseMs = 3000.0;
        }
        else if (command == "read")
        {
            arguments.addArray ({ "--", "read-memory", address, text, absolutePath (argument) });
            timeoutMs = transferTimeoutMs;
        }
        else if (command == "reset")
        {
            arguments.addArray ({ "--", "reset" });
        }
        else
        {
            return -1;
        }

        const ScopedToolRun running;

        if (command == "erase")
        {
            // The notice stays up for pingCount - 1 seconds before the tool
            // runs: the pause the steps ask for before each erase, during which
            // the window goes on painting.
            showNotice (describeConsoleNotice (text));
            waitWithMessageLoop ((float) (juce::jmax (0, pingCount.getIntValue() - 1) * 1000), false);
            showNotice ({});

            // The notice is the user's last chance before the unit is erased.
            if (stopAfterNotice && abortRequested)
                return eraseStoppedAfterNotice;
        }
        else if (command == "read")
        {
            juce::File (absolutePath (argument)).getParentDirectory().createDirectory();
        }

        const auto run = runToolProcess (arguments, timeoutMs, { statusMarker, successMarker });

        waitWithMessageLoop ((float) pauseMs, false);

        return resultOf (run.markersFound);
    }

    int probeBootloader()
    {
        return runBlhostCommand ("keep", bootRegionSize, {}, bootAddress, "3");
    }

    int resetThroughTool()
    {
        return runBlhostCommand ("reset", bootRegionSize, {}, bootAddress, "3");
    }
}

#pragma once

#include <juce_core/juce_core.h>

#include <functional>

/** The external USB bootloader host tool that flashes the tool family. */
namespace halvik
{
    /** Where the program looks for the tool: the file named by the environment
        variable TAVLO_FLASH_TOOL when it is set, else
        resources/Assets/tools/linux/blhost in the program's resources folder. */
    juce::File locateFlashTool();

    /** Why the tool at path (empty: its place in the resources folder) cannot
        be run, missing or not executable, with where it goes; empty when it
        can. */
    juce::String describeFlashToolProblem (const juce::String& path);

    /** Runs one tool command ("keep", "erase", "write", "read", "reset", case
        ignored) with the tool at flashToolPath and returns 1 (a status line and
        "Success."), 0 (a status line without success) or -1 (no status line,
        nothing run, or a run that outlived its time-out and was killed).

        The tool gets an argument list, never a shell line: "-u", then for
        "erase" "-t" and the time-out, then "--" and the command with its
        arguments. File paths reach it absolute. An "erase" first shows its
        console notice (text, or a default warning when text is empty) through
        the notice sink for pingCount - 1 seconds; with stopAfterNotice, a stop
        (abortRequested) asked for by then keeps the tool from running, and the
        result is eraseStoppedAfterNotice. Every command that ran is followed
        by its pause. The message loop keeps running while the tool runs and
        during the waits. A command asked for while another one still runs (from
        a message dispatched meanwhile) runs nothing and gives -1.
        Message thread. */
    int runBlhostCommand (juce::String command, juce::String argument, juce::String text,
                          juce::String address, juce::String pingCount, bool stopAfterNotice = false);

    /** What runBlhostCommand gives for an erase that a stop kept from running
        once its notice had gone: nothing reached the unit. */
    constexpr int eraseStoppedAfterNotice = -2;

    /** Where the unit's firmware starts in flash. The "keep" and "reset"
        commands carry it too, though the bootloader ignores it there. */
    inline const char* const bootAddress = "0x60010000";

    /** Asks the unit's bootloader for a property ("keep"): 1 it answered with
        success, 0 it answered, -1 nothing answered. Message thread. */
    int probeBootloader();

    /** Restarts the unit out of its bootloader ("reset"): 1 when it
        confirmed. Message thread. */
    int resetThroughTool();

    /** Receives the tool's console notice while it is shown, then an empty
        text when it goes. */
    using FlashToolNoticeSink = std::function<void (const juce::String&)>;

    /** Installs the process-wide receiver of the console notice (an empty
        function removes it) and returns the one it replaces. Without one the
        notice's time still passes. Message thread. */
    FlashToolNoticeSink setFlashToolNoticeSink (FlashToolNoticeSink newSink);

    /** The notice text as its reader sees it: the lines that the notice's echo
        commands would print, joined by blanks; the default warning for an
        empty notice. */
    juce::String describeConsoleNotice (const juce::String& notice);
}

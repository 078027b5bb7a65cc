#pragma once

#include <juce_core/juce_core.h>
#include <atomic>

/** The upgrader's process-wide flags and paths. They outlive the upgrade
    window on purpose: several of them keep their value from one opening of the
    upgrader to the next. Unless a comment says otherwise they belong to the
    message thread. */
namespace halvik
{
    /** Number of steps and step buttons of the upgrade window. */
    constexpr int stepCount = 5;

    /** An automatic repeat ends after this many counted runs; the title shows
        the count against it. */
    constexpr int repeatRunLimit = 20;

    /** The steps run on by themselves. The window may still be closed
        between steps; it refuses only while a step is busy (upgraderBusy). */
    extern bool autoAdvance;
    /** A step is running. */
    extern bool upgraderBusy;
    /** A stop asked for (Escape), or, from the Select step, a unit already up
        to date. Every place where a run goes on by itself (the next step, the
        Start step's fallback to the tool, the next request or probe, the erase
        after its notice, the step after a download) checks it first and ends
        the run there; a flash whose erase has begun, and a MIDI upload, run to
        their end. The step that begins a run (one begun while no other step
        runs, as a step button's is) clears it, so that a stop never outlives
        the run it was asked for; the S key clears it too. */
    extern bool abortRequested;
    /** Step 4 takes its firmware from the server list (starts true). */
    extern bool serverListEnabled;
    /** Probing mode for the flashing tool and generic unit ports. */
    extern bool toolProbeMode;
    /** The Start step takes the launch product when no target is found. */
    extern bool acceptAnyProduct;
    /** Runs are repeated; the title shows the repeat counter. */
    extern bool repeatMode;
    /** Finished runs while auto-advancing. */
    extern int repeatRunCount;
    /** 1 once step 4 has a firmware. */
    extern int selectedMarker;
    /** 1 once the Activate step has succeeded. */
    extern int activatedMarker;

    /** The product being upgraded is flashed with the USB bootloader tool. */
    extern bool toolFamilyActive;
    /** 1 selects the alternate name table and port-pattern list. */
    extern int alternateModelNames;
    /** Full path of the flashing tool; empty until an upgrade window sets it,
        and while empty no tool command runs. */
    extern juce::String flashToolPath;

    /** The unit answered the flashing tool and sits in its upgrade mode. */
    extern bool toolModeEntered;
    /** Number of target MIDI outputs the Start or Enter step found. */
    extern int targetPortCount;
    /** 1: the plain image writes correctly, 2: only the padded layout does,
        -1: both failed (only until the Activate step ends). Starts at 1. */
    extern int compatibilityResult;
    /** Path of the firmware file for the flashing tool. */
    extern juce::String firmwareFilePath;
    /** The compatibility check image next to the program. */
    extern juce::String checkImagePath;

    /** True while the upgrader entry runs; a nested call returns at once. */
    extern bool upgraderOpen;
    /** True while the Select-version step runs (its re-entry guard). */
    extern bool selectStepRunning;
    /** The firmware chooser waits for the user even with auto-advance. */
    extern bool chooserNoAutoConfirm;

    /** Replies of a unit, written on the MIDI input thread and polled and
        cleared by the thread that waits for them. */
    extern std::atomic<bool> connectAckReceived;
    extern std::atomic<bool> eraseAckReceived;
    extern std::atomic<bool> dataAckReceived;
    extern std::atomic<bool> resetAckReceived;
    extern std::atomic<bool> negativeReplyReceived;
    extern std::atomic<bool> upgradeModeActive;

    /** Clears the six reply flags. Any thread. */
    void resetReplyFlags();

    /** Puts every flag and path above back to its value at program start.
        For tests; message thread. */
    void resetUpgraderState();
}

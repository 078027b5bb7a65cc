#pragma once

#include <juce_core/juce_core.h>
#include <atomic>

/** The editor's process-wide state: the device link's flags and ids, the
    pending-work flags that the device timer turns into MIDI traffic, and the
    few values the editor window and its dialogs share.

    Everything here belongs to the message thread, except the variables that
    the MIDI input thread reads or writes, which are atomics (noted below).
*/
namespace NsDravel
{
    class Host;
    class MainComp;
    class MyTimer;

    //==============================================================================
    // Device host and connection

    /** The device host, cached by the editor window's constructor; null until then. */
    extern Host* theHost;

    /** The one editor window component, set by its constructor; null until then. */
    extern MainComp* theMainComp;

    /** Product id carried by parameter writes and the version request, and expected
        in version replies. Written by the device timer, read by the MIDI input thread. */
    extern std::atomic<int> productId;

    /** Product chosen in the editor's model combo box; the timer's fallback id. */
    extern int selectedProductId;

    /** Product id of the first output opened by the last successful connect; carried
        by the curve dump and accepted by the port filters. */
    extern std::atomic<int> detectedProductId;

    /** Set by the MIDI input thread for every message that arrives; read and cleared
        by the device timer when it draws the window title. */
    extern std::atomic<bool> midiReceivedFlag;

    //==============================================================================
    // Device timer

    /** While false the timer keeps the editor's ports closed and sends nothing
        (the firmware upgrader has the keyboard). */
    extern bool autoConnectEnabled;

    /** The last reconnect step found the keyboard. */
    extern bool deviceConnected;

    /** MIDI output names seen at the timer's last comparison. */
    extern juce::StringArray knownOutputNames;

    /** A reconnect step is due. */
    extern bool rescanRequested;

    /** The keyboard's firmware version is still to be read. */
    extern bool versionRequestPending;

    /** Successful reconnect steps since the last version request, counted while one is pending. */
    extern int versionRetryCount;

    /** Successful reconnect steps between version requests: 1, then 3, then 9. */
    extern int versionBackoff;

    /** Something was sent to the keyboard since the window title was last drawn. */
    extern bool midiSentFlag;

    /** The whole settings image is to be sent on the next tick. */
    extern bool pendingSettingsWrite;

    /** The user velocity curve is to be sent on the next tick. */
    extern bool pendingCurveSend;

    /** The store command is to be sent on the next tick. */
    extern bool pendingStoreCommand;

    /** The device timer, created and started by the control panel; null until then. */
    extern MyTimer* theTimer;

    //==============================================================================
    // Editor window and its dialogs

    /** Velocity curve number 1..8 that the curve dialog shows (8 is the user curve);
        kept equal to the keys' curve index + 1 by the curve setter. */
    extern int currentCurveNumber;

    /** Name of the keyboard's MIDI output port, as found or chosen by the user. */
    extern juce::String deviceName;

    /** Set while the firmware upgrader runs, so that it is not opened twice. */
    extern bool upgradeLaunchGuard;

    /** The hidden test toggle that swaps the detected product id. */
    extern bool testModeEnabled;

    //==============================================================================
    /** Puts every variable above, the device settings image and the user velocity
        curve back to their values at program start. For tests; message thread, with no MIDI input open. */
    void resetProcessState();
}

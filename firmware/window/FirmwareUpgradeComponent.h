#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include "firmware/window/UpgraderDialogWindow.h"
#include "midi/MidiPortSystem.h"

#include <atomic>
#include <memory>

namespace halvik
{

struct FlashResult;

/** The content of the "Firmware Upgrade" dialog: five numbered step rows, a
    status line with a progress bar, and the state that the five steps share.

    The steps are member functions, each in the file of its concern:
    the window and its step machine under firmware/window/, the steps under
    firmware/steps/, the MIDI exchanges with the unit under firmware/midi/ and
    the flashing tool under firmware/tool/. Everything runs on the message
    thread unless a comment says otherwise.

    Its destructor leaves the unit in a sane state: a unit still in a
    bootloader is told to reset. It also clears the program-wide busy mark and
    lets the screen saver run again, since a step may be cut short by the
    window going.
*/
class FirmwareUpgradeComponent : public juce::Component,
                                 public CloseGuard,
                                 private juce::Button::Listener
{
public:
    /** The upgrader's own MIDI connection to the unit (firmware/midi/UpgraderMidiHandler.h). */
    class MidiInputHandler;

    FirmwareUpgradeComponent (int productId, bool useServerList);
    ~FirmwareUpgradeComponent() override;

    //==============================================================================
    // Window, layout and closing (firmware/window/FirmwareUpgradeComponent.cpp)

    void resized() override;

    /** The user asks to close the window: refused while a step is busy. */
    void userTriedToCloseWindow() override;

    /** Whether the dialog may close now: no step is running. The dialog's
        close button asks this (UpgraderDialogWindow). */
    bool canCloseNow() const override;

    /** Closes the enclosing dialog through its close button, if there is one. */
    void closeWindow();

    //==============================================================================
    // Step machine, titles and hidden keys (firmware/window/StepMachine.cpp)

    /** Moves to step n (1..6): the progress becomes (n - 1) / 5 and buttons
        1..n are enabled; n <= 1 also clears the selected and activated marks. */
    void setStep (int n);

    /** The current step (any thread). */
    int getStep() const;

    /** The progress shown by the bar, 0..1 (any thread). */
    double getProgress() const;

    /** Sets the bar's progress, clamped to 0..1. Any thread: from another
        thread the value is guarded by the step lock and the bar repaints on
        the message thread. */
    void setProgress (double newProgress);

    /** Sets the status line above the progress bar. Any thread: from another
        thread the text reaches the label on the message thread. */
    void setStatusLabelText (const juce::String& text);

    /** Enables buttons 1..step (none past step 6). */
    void updateStepButtons();

    /** Marks a step as running (all step buttons disabled) or done (all enabled). */
    void setBusy (bool isBusy);

    /** "Firmware Upgrade" with the marks of the hidden modes. */
    juce::String getWindowTitle() const;

    /** Shows a status text in the dialog's title after the window title. */
    void setStatusText (const juce::String& status, bool skipTitle = false);

    /** The F1 box with the upgrader's build information. */
    void showBuildInfo();

    /** The hidden keys: Escape asks the run under way to stop (and ends the
        repeat mode), A, M, O, S and T toggle the hidden modes (letters in
        either case, modifiers ignored), F1 shows the build box. Always false,
        so the key goes on to the dialog. */
    bool keyPressed (const juce::KeyPress& key) override;

    /** Ends the run when a stop was asked for (abortRequested): the window
        stays at the step that saw it, not busy, an image downloaded for the
        run goes (and Upgrade stays off unless it could still run), and the
        box says that no firmware was written. True when it ended the run.
        Every place where a run would go on by itself asks this first. */
    bool endRunIfStopped (int stepThatSawIt);

    /** Reads the keys typed while the run held the message thread (a plain
        protocol pause, a download) and tells whether one of them asked for a
        stop. A click read here starts nothing: a step is under way. Where a
        run is about to send the unit its next command after such a hold. */
    bool stopAskedMeanwhile();

    /** The same, then endRunIfStopped. */
    bool endRunIfStoppedMeanwhile (int stepThatSawIt);

    //==============================================================================
    // The five steps (firmware/steps/)

    /** Step 1: finds the unit to upgrade. */
    bool stepStart (int arg);

    /** Takes the chosen product as target and moves on to step 2 (or runs Enter). */
    bool selectTarget (int productId);

    /** Step 2: puts the unit into its upgrade mode. */
    bool stepEnter (int arg);

    /** Step 3: compatibility check (tool family) or opening the upgrade port. */
    bool stepActivate (int arg);

    /** Step 4: chooses, downloads or loads the firmware. */
    int stepSelectFirmware (int arg);

    /** Step 5: writes the firmware and reports the outcome. */
    bool stepUpgrade (int arg);

    //==============================================================================
    // MIDI exchanges with the unit (firmware/midi/)

    /** Opens the unit's output of that name and its companion input, or, for an
        empty name, the product's highest-numbered port. True when both opened. */
    bool openTargetMidiDevices (const juce::String& outputName, int productId);

    /** Wake-up plus the long enter-upgrade-mode message, then a 2 ms pause. */
    bool sendEnterUpgradeMode (NsDravel::MidiOutputPort& output, int productId);

    /** Asks the unit for its version: 1 a version above 0 came, 0 the all-zero
        version (upgrade mode), -1 no answer. */
    int requestUnitVersion (int tries, int pollMs, int timeoutMs, int lastResult);

    /** True when the unit answers with the all-zero version or not at all. */
    bool waitForUpgradeAck (int tries);

    /** The keyboard's way into upgrade mode; true when the unit is in it. */
    bool enterUpgradeModeSequence (NsDravel::MidiOutputPort* output);

    /** Makes a unit that sits in upgrade mode leave it: 1, 0 or -1. */
    int leaveUpgradeMode (int productId);

    /** Polls the output list until it changes and the product's output is
        present (or gone); known holds the last list seen. */
    bool waitForMidiDeviceListChange (juce::StringArray& knownOutputs, int productId,
                                      bool present, float pollMs, float timeoutMs);

    /** Runs the handler's upload on a worker thread while the message loop
        keeps running; returns its error text (empty on success). */
    juce::String uploadFirmwareOnWorker();

    //==============================================================================
    // Flashing tool (firmware/tool/)

    /** Writes an image through the flashing tool and checks it by reading it
        back: an empty message on success, else an error text, and whether
        it ended on the unit, on this computer or stopped before the unit
        (firmware/tool/FlashProcedure.h). */
    FlashResult flashFirmwareWithBlhost (const juce::String& imagePath, bool padded,
                                         const juce::String& address, bool finish,
                                         const juce::String& consoleNotice, int pingCount);

    //==============================================================================
    // State shared by the steps. Message thread, except where a comment says.

    bool notKeyboardFamily = true;           ///< pacing every 2 instead of 4 messages
    std::atomic<bool> noVersion { false };    ///< the unit's last version reply was all zero (MIDI thread writes)
    int flashMethod = 2;                      ///< 2 MIDI bootloader, 3 USB tool, 4 keyboard family
    std::atomic<float> unitVersion { 0.0f };  ///< -1 no answer yet, 0 upgrade mode, else the version (MIDI thread writes)
    float startVersion = 0.0f;                ///< the unit's version as the Start step found it

    juce::String title   { "Halvik Firmware Upgrader" };
    juce::String version { "1.76" };
    juce::String years   { "2018-2025" };

    bool useServerList = true;                ///< step 4 is "Select Version" (else "Load File")

    int targetProductId = 2000;               ///< the product the steps talk to
    int currentProductId = 2000;
    int requestedProductId = 2000;            ///< the id the window was opened for
    int productId = 2000;                     ///< the launch id; Activate on a shared port keeps the chosen model here

    juce::String deviceReplyText;             ///< the chosen port's name, or the unit's reply text
    juce::String upgradePortName;             ///< the unit's port in upgrade mode (Activate step)

    bool firmwareReady = false;               ///< a firmware file was downloaded for the tool family
    juce::File firmwareFile;                  ///< the firmware chosen or downloaded in step 4
    juce::ValueTree firmwareList;             ///< the server's list, "firmwares"

    std::unique_ptr<MidiInputHandler> midiHandler;

    //==============================================================================
    // Widgets, reachable for tests.

    juce::TextButton& getStepButton (int index)      { return stepButtons[index]; }
    juce::Label& getStatusLabel()                    { return statusLabel; }

    /** The value the progress bar shows now. Message thread. */
    double getShownProgress() const noexcept         { return shownProgress; }

private:
    /** Held by each step while it runs. A step begun while no other step runs
        begins a run (a step button's click, in practice) and clears a stop
        that an earlier run left; a step that another one ran on into keeps a
        stop asked for during the run, which then ends it. */
    struct StepUnderWay
    {
        StepUnderWay();
        ~StepUnderWay();

        JUCE_DECLARE_NON_COPYABLE (StepUnderWay)
    };

    void buttonClicked (juce::Button* button) override;

    /** Brings the bar to the current progress: at once on the message thread,
        else through a message. */
    void showProgress();

    /** Disables the Start and Enter buttons, which a run past the Activate
        step must not offer. */
    void disableFirstStepButtons();

    /** Deletes the image the Select step downloaded for the tool family, if
        it was not flashed yet, and forgets it; the selected mark goes with
        it. Only a file in the program's own data folder goes; a file the user
        chose is never touched. */
    void discardDownloadedImage();

    /** The Activate step of the tool family: the two-stage compatibility
        check (firmware/steps/ActivateStep.cpp). */
    bool activateThroughTool();

    /** Made on the message thread at construction, copied by other threads
        for their hand-overs to it. */
    juce::Component::SafePointer<FirmwareUpgradeComponent> selfReference;

    juce::TooltipWindow tooltips { nullptr, 700 };

    juce::Label stepNumberLabels[5];
    juce::Label stepCaptionLabels[5];
    juce::Label stepInstructionLabels[5];
    juce::TextButton stepButtons[5];
    juce::TextButton releaseNotesButton;
    juce::TextButton updateNameButton;
    juce::Label noteLabel;
    juce::Label noteTextLabel;
    juce::Label statusLabel;

    juce::CriticalSection lock;               ///< guards step and progress
    int step = -1;
    double progress = 0.0;
    double shownProgress = 0.0;               ///< what the bar reads, message thread only
    juce::ProgressBar progressBar { shownProgress };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (FirmwareUpgradeComponent)
};

/** The step button texts: "Start", "Enter", "Activate", "Select Version" or
    "Load File", "Upgrade"; "Invalid Step" for any other index. */
juce::String getStepName (int index, bool useServerList);

/** The instruction shown beside step row index (empty for other indices). */
juce::String getStepInstructions (int index, bool useServerList);

} // namespace halvik

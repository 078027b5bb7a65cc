#include "firmware/window/FirmwareUpgradeComponent.h"

#include "editor/device/PortNames.h"
#include "firmware/UpgraderPaths.h"
#include "firmware/UpgraderState.h"
#include "firmware/catalogue/PortNameTable.h"
#include "firmware/catalogue/ProductCatalogue.h"
#include "firmware/midi/UpgraderMidiHandler.h"
#include "firmware/midi/UpgraderPortLookups.h"
#include "firmware/midi/UpgradeModeProtocol.h"
#include "firmware/midi/UpgraderWaits.h"
#include "firmware/tool/FlashTool.h"

namespace halvik
{

FirmwareUpgradeComponent::FirmwareUpgradeComponent (int givenProductId, bool serverList)
    : currentProductId (givenProductId),
      requestedProductId (givenProductId),
      selfReference (this)
{
    selectedMarker = 0;
    activatedMarker = 0;

    alternateModelNames = usesAlternateModelNames (requestedProductId) ? 1 : 0;

    flashMethod = getFlashMethod (requestedProductId);
    toolFamilyActive = usesBootloaderTool (requestedProductId);
    notKeyboardFamily = (flashMethod != flashMethodKeyboard);

    // The tool and keyboard families run their steps on by themselves; for the
    // others the setting lives on from the last opening (the A key toggles it).
    if (toolFamilyActive || flashMethod == flashMethodKeyboard)
        autoAdvance = true;

    flashToolPath = locateFlashTool().getFullPathName();

    // The flashing tool's notices show in this window's title while it runs.
    setFlashToolNoticeSink ([safe = selfReference] (const juce::String& notice)
                            {
                                if (safe != nullptr)
                                    safe->setStatusText (notice);
                            });

    serverListEnabled = serverList;
    toolProbeMode = false;
    abortRequested = false;
    repeatRunCount = 0;
    acceptAnyProduct = true;
    useServerList = serverListEnabled;
    productId = givenProductId;

    if (useServerList)
        firmwareList = juce::ValueTree ("firmwares");

    targetProductId = currentProductId;

    tooltips.setMillisecondsBeforeTipAppears (0);

    statusLabel.setText ("Upgrade Progress", juce::dontSendNotification);
    statusLabel.setJustificationType (juce::Justification::centred);
    addAndMakeVisible (statusLabel);

    progressBar.setPercentageDisplay (true);
    progressBar.setColour (juce::ProgressBar::foregroundColourId, juce::Colours::skyblue);
    addAndMakeVisible (progressBar);

    for (int i = 0; i < stepCount; ++i)
    {
        const auto stepText = "Step " + juce::String (i + 1);

        stepNumberLabels[i].setText (stepText, juce::dontSendNotification);
        stepNumberLabels[i].setJustificationType (juce::Justification::centred);
        addAndMakeVisible (stepNumberLabels[i]);

        stepCaptionLabels[i].setText (stepText + ":", juce::dontSendNotification);
        stepCaptionLabels[i].setJustificationType (juce::Justification::topLeft);
        addAndMakeVisible (stepCaptionLabels[i]);

        stepInstructionLabels[i].setText (getStepInstructions (i, useServerList), juce::dontSendNotification);
        stepInstructionLabels[i].setJustificationType (juce::Justification::topLeft);
        stepInstructionLabels[i].setMinimumHorizontalScale (1.0f);
        addAndMakeVisible (stepInstructionLabels[i]);
    }

    noteLabel.setText ("Note:", juce::dontSendNotification);
    noteLabel.setJustificationType (juce::Justification::topLeft);
    addChildComponent (noteLabel);

    noteTextLabel.setText ("If your connected Halvik product model name does not appear on the pull-down menu, "
                           "select \"USB Audio Device\" as the MIDI In/Out device",
                           juce::dontSendNotification);
    noteTextLabel.setJustificationType (juce::Justification::topLeft);
    addChildComponent (noteTextLabel);

    for (int i = 0; i < stepCount; ++i)
    {
        stepButtons[i].setButtonText (getStepName (i, useServerList));
        stepButtons[i].addListener (this);
        addAndMakeVisible (stepButtons[i]);
    }

    releaseNotesButton.setButtonText ("Release Notes");
    releaseNotesButton.addListener (this);
    addChildComponent (releaseNotesButton);

    updateNameButton.setButtonText ("Update Device Name");
    updateNameButton.addListener (this);
    addAndMakeVisible (updateNameButton);

    for (auto* child : getChildren())
        if (auto* label = dynamic_cast<juce::Label*> (child))
            label->setColour (juce::Label::textColourId, juce::Colours::black);

    // The hidden keys reach the window even before any of its buttons was clicked.
    setWantsKeyboardFocus (true);

    updateStepButtons();
    setSize (514, 450);
    resized();
}

FirmwareUpgradeComponent::~FirmwareUpgradeComponent()
{
    // A step may still be running further up the stack, inside a modal loop
    // during which the window went: what it set for the whole program must not
    // outlive the window, or the next one could never be closed.
    upgraderBusy = false;
    juce::Desktop::setScreenSaverEnabled (true);

    if (! toolFamilyActive)
    {
        if (midiHandler != nullptr)
        {
            // The handler's going stops an upload still running on its worker
            // and waits for it before closing the ports: closed first, they
            // would be taken from under the worker's sends.
            midiHandler.reset();
            sleepMilliseconds (3);
        }

        // Every output that may still sit in a bootloader gets its reset: a
        // keyboard's first port, or a port in upgrade mode.
        const bool keyboardFamily = ! notKeyboardFamily;

        resetOutputsWhere ([keyboardFamily] (const juce::String& name)
        {
            if (keyboardFamily)
                return getFlashMethod (getProductIdFromPortName (name)) == flashMethodKeyboard
                       && NsDravel::portNumberOfName (name) == 1;

            return isUpgradePortName (name);
        });
    }
    else if (toolModeEntered)
    {
        resetThroughTool();
    }

    setFlashToolNoticeSink ({});

    midiHandler.reset();

    // An image downloaded for a flash that never came has no use once the
    // window is gone.
    discardDownloadedImage();
}

void FirmwareUpgradeComponent::discardDownloadedImage()
{
    if (firmwareReady && firmwareFile.isAChildOf (getUpgraderDataFolder()))
    {
        firmwareFile.deleteFile();

        // Nothing is selected any more: Upgrade would find no file.
        selectedMarker = 0;
    }

    firmwareReady = false;
}

void FirmwareUpgradeComponent::resized()
{
    const auto width = getWidth();

    statusLabel.setBounds (0, 10, width, 20);
    progressBar.setBounds (40, 36, width - 80, 24);

    const int stepWidth = 96;
    const int top = progressBar.getBottom() + 6;
    const int left = width / 2 - (stepCount * stepWidth) / 2;

    for (int i = 0; i < stepCount; ++i)
    {
        const int x = left + stepWidth * i;

        stepNumberLabels[i].setBounds (x, top, 90, 20);
        stepButtons[i].setBounds (x, top + 6 + 20, 90, 20);

        if (i == 2)
            releaseNotesButton.setBounds (x, top + 52, 90, 20);
    }

    int y = stepButtons[0].getBottom() + 43;

    for (int i = 0; i < stepCount; ++i)
    {
        stepCaptionLabels[i].setBounds (left, y, 70, 20);
        stepInstructionLabels[i].setBounds (left + 76, y, width - 70 - left - 20, 50);
        y = stepInstructionLabels[i].getBottom() + 6;
    }
}

bool FirmwareUpgradeComponent::canCloseNow() const
{
    return ! upgraderBusy;
}

void FirmwareUpgradeComponent::userTriedToCloseWindow()
{
    // Auto-advance does not keep the window open, only a running step does:
    // the tool and keyboard families turn auto-advance on by themselves when
    // the window opens, and their users could otherwise never close it.
    if (canCloseNow())
        closeWindow();
}

void FirmwareUpgradeComponent::closeWindow()
{
    if (auto* dialog = findParentComponentOfClass<juce::DialogWindow>())
        dialog->closeButtonPressed();
}

} // namespace halvik

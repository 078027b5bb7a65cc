#include "firmware/window/FirmwareUpgradeComponent.h"

#include "editor/window/AboutComponent.h"
#include "firmware/UpgraderState.h"
#include "firmware/midi/UpgraderWaits.h"
#include "firmware/tool/FlashProcedure.h"
#include "firmware/window/UpgraderPrompts.h"

#include <exception>

namespace halvik
{

namespace
{
    const juce::String buildNumber ("29C");
    const juce::String buildDate ("Jul 14 2025");
    const juce::String makerName ("Halvik Audio");

    bool isMessageThread()
    {
        return juce::MessageManager::existsAndIsCurrentThread();
    }

    /** The steps running now, those run on into by auto-advance included.
        Process-wide: a step whose window went away meanwhile still counts
        until it has returned. */
    int stepsUnderWay = 0;
}

//==============================================================================
FirmwareUpgradeComponent::StepUnderWay::StepUnderWay()
{
    // The first step of a run: a stop asked for before it belongs to a run
    // that has ended (or to none).
    if (stepsUnderWay++ == 0)
        abortRequested = false;
}

FirmwareUpgradeComponent::StepUnderWay::~StepUnderWay()
{
    // The run ends here. What the user typed or clicked while it held the
    // window (a plain pause, a download) is read before the buttons take
    // clicks again: a step is still under way, so a click made while the
    // window looked busy starts nothing, while the keys act. Not while an
    // exception passes: the loop must not run then.
    if (stepsUnderWay == 1 && std::uncaught_exceptions() == 0)
        letQueuedInputThrough();

    --stepsUnderWay;
}

bool FirmwareUpgradeComponent::stopAskedMeanwhile()
{
    letQueuedInputThrough();
    return abortRequested;
}

bool FirmwareUpgradeComponent::endRunIfStoppedMeanwhile (int stepThatSawIt)
{
    return stopAskedMeanwhile() && endRunIfStopped (stepThatSawIt);
}

bool FirmwareUpgradeComponent::endRunIfStopped (int stepThatSawIt)
{
    if (! abortRequested)
        return false;

    setBusy (false);
    setStep (stepThatSawIt);

    // Past Activate the run has been through it: Start and Enter stay off, as
    // the steps there leave them.
    if (stepThatSawIt >= 4)
        disableFirstStepButtons();

    // An image downloaded for the run will not be flashed; with it goes the
    // mark that a firmware was selected.
    discardDownloadedImage();

    // Upgrade would refuse without both marks: no button is left that can only fail.
    if (selectedMarker == 0 || activatedMarker == 0)
        stepButtons[4].setEnabled (false);

    UpgraderPrompts::getCurrent().showMessage (juce::MessageBoxIconType::InfoIcon, "Firmware Upgrade",
                                               upgradeStoppedText);
    return true;
}

//==============================================================================
juce::String getStepName (int index, bool useServerList)
{
    switch (index)
    {
        case 0:  return "Start";
        case 1:  return "Enter";
        case 2:  return "Activate";
        case 3:  return useServerList ? "Select Version" : "Load File";
        case 4:  return "Upgrade";
        default: return "Invalid Step";
    }
}

juce::String getStepInstructions (int index, bool useServerList)
{
    switch (index)
    {
        case 0:
            return "Please connect your Halvik device and click \"" + getStepName (0, useServerList)
                   + "\" button \nto create the connection";
        case 1:
            return "Click \"" + getStepName (1, useServerList) + "\" button to enter into firmware upgrade mode";
        case 2:
            return "Click \"" + getStepName (2, useServerList) + "\" button to activate the firmware upgrade \nmode";
        case 3:
            if (useServerList)
                return "Click \"Select Version\", the process will automatically search \n"
                       "for the latest firmware for your device at our server";

            return "Download the latest firmware on \"" + juce::String (NsDravel::AboutComponent::aboutUsAddress)
                   + "\", then click the \"Load File\" button to browse the firmware file";
        case 4:
            return "Click \"" + getStepName (4, useServerList) + "\" to start the file upload process";
        default:
            return {};
    }
}

//==============================================================================
void FirmwareUpgradeComponent::setStep (int n)
{
    const juce::ScopedLock sl (lock);

    if (n <= 1)
    {
        step = 1;
        progress = 0.0;
        selectedMarker = 0;
        activatedMarker = 0;
    }
    else
    {
        step = n;
        progress = (n - 1) / 5.0;

        if (autoAdvance && n >= 6)
            ++repeatRunCount;
    }

    updateStepButtons();
    showProgress();
}

int FirmwareUpgradeComponent::getStep() const
{
    const juce::ScopedLock sl (lock);
    return step;
}

double FirmwareUpgradeComponent::getProgress() const
{
    const juce::ScopedLock sl (lock);
    return progress;
}

void FirmwareUpgradeComponent::setProgress (double newProgress)
{
    {
        const juce::ScopedLock sl (lock);
        progress = juce::jlimit (0.0, 1.0, newProgress);
    }

    showProgress();
}

void FirmwareUpgradeComponent::showProgress()
{
    if (isMessageThread())
    {
        shownProgress = getProgress();
        return;
    }

    // The bar reads its value on the message thread only; the worker's value
    // goes there under the lock.
    juce::MessageManager::callAsync ([safe = selfReference]
    {
        if (auto* self = safe.getComponent())
            self->shownProgress = self->getProgress();
    });
}

void FirmwareUpgradeComponent::setStatusLabelText (const juce::String& text)
{
    if (isMessageThread())
    {
        statusLabel.setText (text, juce::dontSendNotification);
        return;
    }

    juce::MessageManager::callAsync ([safe = selfReference, text]
    {
        if (auto* self = safe.getComponent())
            self->statusLabel.setText (text, juce::dontSendNotification);
    });
}

void FirmwareUpgradeComponent::updateStepButtons()
{
    const juce::ScopedLock sl (lock);

    const int limit = step <= 1 ? 1 : (step <= 6 ? step : 0);

    for (int i = 0; i < stepCount; ++i)
        stepButtons[i].setEnabled (i + 1 <= limit);
}

void FirmwareUpgradeComponent::setBusy (bool isBusy)
{
    upgraderBusy = isBusy;

    for (auto& button : stepButtons)
        button.setEnabled (! isBusy);
}

void FirmwareUpgradeComponent::disableFirstStepButtons()
{
    stepButtons[0].setEnabled (false);
    stepButtons[1].setEnabled (false);
}

//==============================================================================
juce::String FirmwareUpgradeComponent::getWindowTitle() const
{
    juce::String text ("Firmware Upgrade");

    if (toolProbeMode)
        text << ".";

    if (! serverListEnabled)
        text << " [M]";

    if (repeatMode)
        text << juce::String::formatted ("[%d/%d]", repeatRunCount, repeatRunLimit);

    return text;
}

void FirmwareUpgradeComponent::setStatusText (const juce::String& status, bool skipTitle)
{
    auto text = getWindowTitle();

    if (status.isNotEmpty())
        text << ": " << status;

    if (skipTitle)
        return;

    if (auto* dialog = findParentComponentOfClass<juce::DialogWindow>())
        dialog->setName (text);
    else if (auto* window = findParentComponentOfClass<juce::DocumentWindow>())
        window->setName (text);
}

void FirmwareUpgradeComponent::showBuildInfo()
{
    const auto date = buildDate.replace ("  ", " ");
    const auto boxTitle = "\n\n" + title + "\n\nV" + version;
    const auto message = "Build " + buildNumber + ", " + date + "\n\nCopyright (c) " + years + " " + makerName;

    UpgraderPrompts::getCurrent().showMessage (juce::MessageBoxIconType::NoIcon, boxTitle, message);
}

bool FirmwareUpgradeComponent::keyPressed (const juce::KeyPress& key)
{
    const int code = key.getKeyCode();

    if (code == juce::KeyPress::escapeKey)
    {
        abortRequested = true;
        repeatMode = false;
        return false;
    }

    if (code == juce::KeyPress::F1Key)
    {
        showBuildInfo();
        return false;
    }

    // X11 reports a letter typed without Shift by its lower-case code.
    const int letter = (code >= 'a' && code <= 'z') ? code - 'a' + 'A' : code;

    switch (letter)
    {
        case 'A':
            autoAdvance = ! autoAdvance;
            break;

        case 'M':
            serverListEnabled = ! serverListEnabled;
            useServerList = serverListEnabled;
            setStatusText ({}, false);
            break;

        case 'O':
            acceptAnyProduct = ! acceptAnyProduct;
            break;

        case 'S':
            abortRequested = false;
            repeatMode = ! repeatMode;
            break;

        case 'T':
            toolProbeMode = ! toolProbeMode;

            if (toolProbeMode)
            {
                targetProductId = currentProductId;
                acceptAnyProduct = true;
            }
            else
            {
                acceptAnyProduct = ! toolFamilyActive;
            }

            setStatusText ({}, false);
            break;

        default:
            break;
    }

    return false;
}

//==============================================================================
void FirmwareUpgradeComponent::buttonClicked (juce::Button* button)
{
    // A click read while a step runs was made while the window was held (the
    // buttons looked disabled, but a step may have enabled them again before
    // the click was read): it starts nothing, least of all a step inside the
    // running one.
    if (stepsUnderWay > 0)
        return;

    // Each step button runs its step, which begins a run (see StepUnderWay);
    // the step decides where the machine goes.
    try
    {
        if (button == &stepButtons[0])
            stepStart (1);
        else if (button == &stepButtons[1])
            stepEnter (2);
        else if (button == &stepButtons[2])
            stepActivate (1);
        else if (button == &stepButtons[3])
            stepSelectFirmware (1);
        else if (button == &stepButtons[4])
            stepUpgrade (1);
    }
    catch (...)
    {
        // A step that failed this way must not leave the window busy, which
        // would keep it from ever closing.
        setBusy (false);
        updateStepButtons();
        UpgraderPrompts::getCurrent().showMessage (juce::MessageBoxIconType::WarningIcon,
                                                   "Firmware Upgrade", "Firmware exception!");
    }
}

} // namespace halvik

#include "firmware/window/FirmwareUpgradeComponent.h"

namespace halvik
{

// Stand-in until the step machine is built.
void FirmwareUpgradeComponent::setStep (int n)                       { step = n; }
int FirmwareUpgradeComponent::getStep() const                        { return step; }

// The MIDI upload reports from its worker thread: the stand-ins keep that safe.
double FirmwareUpgradeComponent::getProgress() const
{
    const juce::ScopedLock guard (lock);
    return progress;
}

void FirmwareUpgradeComponent::setProgress (double newProgress)
{
    const juce::ScopedLock guard (lock);
    progress = newProgress;
}

void FirmwareUpgradeComponent::setStatusLabelText (const juce::String& text)
{
    if (juce::MessageManager::existsAndIsCurrentThread())
        statusLabel.setText (text, juce::dontSendNotification);
    else
        juce::MessageManager::callAsync ([safe = juce::Component::SafePointer<FirmwareUpgradeComponent> (this), text]
                                         {
                                             if (safe != nullptr)
                                                 safe->statusLabel.setText (text, juce::dontSendNotification);
                                         });
}

void FirmwareUpgradeComponent::updateStepButtons()                   {}
void FirmwareUpgradeComponent::setBusy (bool)                        {}
juce::String FirmwareUpgradeComponent::getWindowTitle() const        { return "Firmware Upgrade"; }
void FirmwareUpgradeComponent::setStatusText (const juce::String&, bool) {}
void FirmwareUpgradeComponent::showBuildInfo()                       {}
bool FirmwareUpgradeComponent::keyPressed (const juce::KeyPress&)    { return false; }
void FirmwareUpgradeComponent::buttonClicked (juce::Button*)         {}

juce::String getStepName (int, bool)         { return {}; }
juce::String getStepInstructions (int, bool) { return {}; }

} // namespace halvik

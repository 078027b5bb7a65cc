#include "firmware/window/FirmwareUpgradeComponent.h"

namespace halvik
{

// Stand-in until the step machine is built.
void FirmwareUpgradeComponent::setStep (int n)                       { step = n; }
int FirmwareUpgradeComponent::getStep() const                        { return step; }
double FirmwareUpgradeComponent::getProgress() const                 { return progress; }
void FirmwareUpgradeComponent::setProgress (double newProgress)      { progress = newProgress; }
void FirmwareUpgradeComponent::setStatusLabelText (const juce::String&) {}
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

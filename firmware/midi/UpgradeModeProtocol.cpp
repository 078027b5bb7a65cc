#include "firmware/window/FirmwareUpgradeComponent.h"
#include "firmware/midi/UpgraderMidiHandler.h"

namespace halvik
{

// Stand-ins until the upgrade-mode exchanges are built: nothing is sent and no unit answers.
bool FirmwareUpgradeComponent::openTargetMidiDevices (const juce::String&, int) { return false; }
bool FirmwareUpgradeComponent::sendEnterUpgradeMode (NsDravel::MidiOutputPort&, int) { return true; }
int FirmwareUpgradeComponent::requestUnitVersion (int, int, int, int lastResult) { return lastResult; }
bool FirmwareUpgradeComponent::waitForUpgradeAck (int) { return false; }
bool FirmwareUpgradeComponent::enterUpgradeModeSequence (NsDravel::MidiOutputPort*) { return false; }
int FirmwareUpgradeComponent::leaveUpgradeMode (int) { return -1; }
bool FirmwareUpgradeComponent::waitForMidiDeviceListChange (juce::StringArray&, int, bool, float, float) { return false; }
juce::String FirmwareUpgradeComponent::uploadFirmwareOnWorker() { return "Firmware exception!"; }

} // namespace halvik

#include "firmware/midi/UpgraderMidiHandler.h"

#include "firmware/UpgraderState.h"

namespace halvik
{

// Stand-in until the upgrader's MIDI connection is built: it opens nothing.
FirmwareUpgradeComponent::MidiInputHandler::MidiInputHandler (FirmwareUpgradeComponent& ownerToUse)
    : productId (ownerToUse.currentProductId), owner (ownerToUse)
{
    resetReplyFlags();
}

FirmwareUpgradeComponent::MidiInputHandler::~MidiInputHandler() = default;

void FirmwareUpgradeComponent::MidiInputHandler::openDevices (const juce::String&) {}
void FirmwareUpgradeComponent::MidiInputHandler::closeDevices() {}
void FirmwareUpgradeComponent::MidiInputHandler::loadFirmwareImage (const juce::File&) {}
juce::Result FirmwareUpgradeComponent::MidiInputHandler::uploadFirmware() { return juce::Result::fail ("Firmware exception!"); }
void FirmwareUpgradeComponent::MidiInputHandler::handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage&) {}

} // namespace halvik

#include "editor/MainComp.h"

#include "editor/EditorState.h"
#include "editor/Host.h"

namespace NsDravel
{

MainComp::MainComp (int)
{
    theMainComp = this;
    theHost = Host::getInstance();

    fwVersionLabel = std::make_unique<juce::Label> ("fw ver", juce::String());
    addAndMakeVisible (*fwVersionLabel);
    fwVersionLabel->setText ({}, juce::dontSendNotification);
    fwVersionLabel->setColour (juce::Label::textColourId, juce::Colour (0xFF000000));
    fwVersionLabel->setColour (juce::Label::backgroundColourId, juce::Colour (0xFFD3D3D3));
    fwVersionLabel->setColour (juce::Label::outlineColourId, juce::Colour (0xFF808080));
    fwVersionLabel->setJustificationType (juce::Justification::centred);

    addAndMakeVisible (modelCombo);
    modelCombo.addItemList ({ "Dravel 25", "Dravel 37", "Dravel 49", "Dravel 61", "Dravel 88" }, 1);

    auto index = theHost->getProductId() - 0x1020;
    setKeyboardImage (index);
    modelCombo.setSelectedItemIndex (index, juce::dontSendNotification);
}

MainComp::~MainComp()
{
    // First of all: a version reply or a timer tick arriving from now on must
    // find no editor rather than a half-destroyed one.
    theMainComp = nullptr;
}

void MainComp::setKeyboardImage (int index)
{
    keyboardImageIndex = index;
}

} // namespace NsDravel

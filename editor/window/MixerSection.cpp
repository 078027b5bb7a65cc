#include "editor/window/MixerSection.h"
#include "common/AssetLoader.h"
#include "editor/EditorState.h"
#include "editor/device/Host.h"
#include "editor/model/MappingModel.h"
#include "editor/device/DeviceTimer.h"


namespace NsDravel
{
    namespace
    {
        const juce::Colour transparent (0x00000000);
        const juce::Colour selectedControl (0x706655A8);

        // A caption sits centred under the control it names, overlapping its
        // bottom row of pixels.
        juce::Rectangle<int> captionUnder (juce::Rectangle<int> control)
        {
            const int centreX = (2 * control.getX() + control.getWidth()) / 2;
            return { centreX - 20, control.getBottom() - 1, 40, 13 };
        }
    }

    MixerSection::MixerSection()
    {
        deviceTimer = std::make_unique<MyTimer>();
        theTimer = deviceTimer.get();
        deviceTimer->startTimer (0);   // the framework makes this its 1 ms minimum

        knobPicture = loadResourceImage ("ui/knob/knoNor.png", true);
        modulationKnobPicture = loadResourceImage ("ui/knob/monNor.png", true);

        auto addPicture = [this] (const juce::String& name, const juce::Image& picture)
        {
            auto component = std::make_unique<juce::ImageComponent> (name);
            component->setImage (picture);
            addAndMakeVisible (*component);
            return component;
        };

        keyboardPicture = addPicture ("img comp", emptyPicture);
        keysButton = makeButton ("img button");
        sustainCaption = makeCaption ("Sus");
        expressionCaption = makeCaption ("Expr");
        pitchCaption = makeCaption ("Pitch");
        modulationCaption = makeCaption ("Mod");
        sustainButton = makeButton ("button");
        expressionButton = makeButton ("button");
        pitchWheelButton = makeButton ("new button");
        modulationWheelButton = makeButton ("new button");
        knobPicture1 = addPicture ("imgcomp", knobPicture);
        knobPicture2 = addPicture ("imgcomp", modulationKnobPicture);
        knob2Button = makeButton ("new button");
        knob1Button = makeButton ("new button");
        spareButton = makeButton ("new button");
        transposeDownCaption = makeCaption ("Tran-");
        transposeUpCaption = makeCaption ("Tran+");
        octaveDownCaption = makeCaption ("Octa-");
        octaveUpCaption = makeCaption ("Octa+");

        for (auto& button : smallButtons)
        {
            button = std::make_unique<MappableButton> (juce::String());
            addAndMakeVisible (*button);
            button->setButtonText (juce::String());
            button->addListener (this);
            // The keyboard has no such controls to map: shown, never selected.
            button->setInterceptsMouseClicks (false, false);
            button->setEnabled (false);
        }

        bindControls();
        setSize (600, 400);
    }

    MixerSection::~MixerSection()
    {
        // Nobody may reach the timer through the process-wide pointer once it is gone.
        if (theTimer == deviceTimer.get())
            theTimer = nullptr;
    }

    std::unique_ptr<juce::Label> MixerSection::makeCaption (const juce::String& text)
    {
        auto label = std::make_unique<juce::Label> ("new label", text);
        addAndMakeVisible (*label);

        juce::Font font (15.0f, juce::Font::plain);
        font.setTypefaceStyle ("Regular");
        label->setFont (font);
        label->setJustificationType (juce::Justification::centred);
        label->setEditable (false, false, false);
        label->setColour (juce::Label::textColourId, juce::Colour (0xFF000000));
        label->setColour (juce::Label::backgroundColourId, transparent);
        return label;
    }

    std::unique_ptr<MappableButton> MixerSection::makeButton (const juce::String& name)
    {
        auto button = std::make_unique<MappableButton> (name);
        addAndMakeVisible (*button);
        button->setButtonText (juce::translate (juce::String()));
        button->addListener (this);
        return button;
    }

    void MixerSection::resized()
    {
        const juce::Rectangle<int> keys (247, 54, 675, 174);
        keyboardPicture->setBounds (keys);
        keysButton->setBounds (keys);

        sustainButton->setBounds (724, 245, 30, 28);
        expressionButton->setBounds (838, 245, 30, 28);
        pitchWheelButton->setBounds (82, 222, 19, 49);
        modulationWheelButton->setBounds (147, 222, 19, 49);

        knobPicture1->setBounds (84, 24, 76, 39);
        knob1Button->setBounds (84, 24, 76, 39);
        knobPicture2->setBounds (84, 62, 76, 37);
        knob2Button->setBounds (84, 62, 76, 37);

        smallButtons[0]->setBounds (79, 123, 25, 25);
        smallButtons[1]->setBounds (143, 123, 25, 25);
        smallButtons[2]->setBounds (79, 163, 25, 25);
        smallButtons[3]->setBounds (143, 163, 25, 25);

        sustainCaption->setBounds (captionUnder (sustainButton->getBounds()));
        expressionCaption->setBounds (captionUnder (expressionButton->getBounds()));
        pitchCaption->setBounds (captionUnder (pitchWheelButton->getBounds()));
        modulationCaption->setBounds (captionUnder (modulationWheelButton->getBounds()));
        transposeDownCaption->setBounds (captionUnder (smallButtons[0]->getBounds()));
        transposeUpCaption->setBounds (captionUnder (smallButtons[1]->getBounds()));
        octaveDownCaption->setBounds (captionUnder (smallButtons[2]->getBounds()));
        octaveUpCaption->setBounds (captionUnder (smallButtons[3]->getBounds()));
    }

    void MixerSection::bindControls()
    {
        const auto map = Host::getInstance()->getCurrentMap();

        keysButton->setKind (0);
        keysButton->attachToControl (getControlById (map, 1));
        keysButton->setColour (juce::TextButton::buttonColourId, transparent);
        keysButton->setAlpha (1.0f);
        keysButton->setColour (juce::TextButton::buttonOnColourId, selectedControl);

        int control = 2;

        for (auto* button : { sustainButton.get(), expressionButton.get(),
                              pitchWheelButton.get(), modulationWheelButton.get() })
        {
            button->setKind (1);
            button->attachToControl (getControlById (map, control++));
            button->setColour (juce::TextButton::buttonOnColourId, selectedControl);
        }

        for (auto* button : { knob1Button.get(), knob2Button.get() })
        {
            button->setKind (3);
            button->attachToControl (getControlById (map, control++));
            button->setColour (juce::TextButton::buttonColourId, transparent);
            button->setColour (juce::TextButton::buttonOnColourId, selectedControl);
        }

        // The keyboard's map has no controls 8..11: these bind to nothing.
        for (auto& button : smallButtons)
        {
            button->attachToControl (getControlById (map, control++));
            button->setColour (juce::TextButton::buttonOnColourId, selectedControl);
        }
    }

    void MixerSection::setKeyboardPicture (const juce::Image& picture)
    {
        keyboardPicture->setImage (picture);
    }

    MappableButton* MixerSection::getControlButton (int control) const
    {
        switch (control)
        {
            case 1:  return keysButton.get();
            case 2:  return sustainButton.get();
            case 3:  return expressionButton.get();
            case 4:  return pitchWheelButton.get();
            case 5:  return modulationWheelButton.get();
            case 6:  return knob1Button.get();
            case 7:  return knob2Button.get();
            default: return nullptr;
        }
    }
}

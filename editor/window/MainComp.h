#pragma once

#include "editor/window/CommandButton.h"
#include "editor/window/CtModeComboBox.h"
#include "editor/window/MapComboBox.h"
#include "editor/window/MixerSection.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace NsDravel
{

/**
    The mapping editor: the maker's logo and product picture, the firmware
    version, the keyboard model chooser, the control panel with the keyboard
    picture, the detail row of the selected control and the command buttons.

    It never talks MIDI itself: it edits the mapping model and the device
    settings image and raises the pending-work flags that the device timer
    turns into traffic on its next tick. Message thread only.
*/
class MainComp : public juce::Component,
                 public juce::Button::Listener,
                 public juce::ComboBox::Listener,
                 private juce::FocusChangeListener
{
public:
    /** Makes this the one editor (NsDravel::theMainComp) and caches the device
        host (NsDravel::theHost). The argument is not used. */
    explicit MainComp (int productIdHint);

    /** Stops the device timer and stops being the editor before anything of it
        goes away, so that no tick or version reply reaches a dead editor. */
    ~MainComp() override;

    //==============================================================================
    void mouseMove (const juce::MouseEvent&) override;
    void mouseExit (const juce::MouseEvent&) override;
    void mouseDown (const juce::MouseEvent&) override;
    void paint (juce::Graphics&) override;
    void resized() override;
    void parentHierarchyChanged() override;
    void visibilityChanged() override;

    void buttonClicked (juce::Button*) override;
    void comboBoxChanged (juce::ComboBox*) override;

    /** The editor's hidden keys: Ctrl+Shift+Alt+M opens the raw-MIDI sender,
        Ctrl+Shift+Alt+T toggles the test product id, R (with any other
        modifiers) resets the current mapping to factory defaults, F1 opens the
        about window. Always returns false, so the key also reaches the parents. */
    bool keyPressed (const juce::KeyPress& key) override;

    //==============================================================================
    /** Where the logo is drawn: at (34, 10), three quarters of its size. */
    juce::Rectangle<int> getLogoBounds() const;

    /** Where the product picture is drawn: centred on x = 465, at y = 10. */
    juce::Rectangle<int> getProductImageBounds() const;

    /** Draws the logo and the product picture. */
    void paintPictures (juce::Graphics&);

    /** Shows the picture of keyboard model index 0..4 (0x1020 + index). */
    void setKeyboardImage (int index);

    /** The model index of the keyboard picture shown now; -1 for none. */
    int getKeyboardImageIndex() const noexcept        { return keyboardImageIndex; }

    /** Places the model combo, "Curve View" and the detail row. */
    void layoutControlRow();

    /** Places the command buttons along the bottom. */
    void layoutCommandButtons();

    /** Clears the selection of every control button. */
    void untoggleAllButtons();

    /** The control button that is selected; null when none is. */
    MappableButton* getSelectedButton() const;

    /** Fills the detail row (captions, enabled states, lists and selections)
        for a control button. */
    void showControlDetail (MappableButton* button);

    /** Fills one of the four detail combos for a control button and selects
        what the settings image holds; any other combo is only emptied. */
    void fillDetailCombo (MapComboBox* combo, MappableButton* button);

    /** After the model changed (a file loaded, factory defaults, another DAW
        mode): rebinds the control buttons and shows the selected control again. */
    void refreshFromModel();

    /** Hands the keyboard to the firmware upgrader: closes the editor's ports,
        runs the upgrader, and lets the device timer reconnect afterwards.
        Does nothing while a hand-over is running. */
    void runFirmwareUpgrade();

    /** Shows the model again after "Load File" chose a file: the keyboard model
        it names and the control panel. */
    void showLoadedMapping();

    //==============================================================================
    /** Pictures: the maker's logo, the product picture and the five keyboards. */
    juce::Image logoPicture, productPicture;
    juce::Image keyboardPictures[5];

    /** Captions above the DAW-mode combo and the four detail combos. */
    juce::Label controlModeCaption, messageCaption, msgTypeCaption, channelCaption, fifthCaption;

    /** The DAW control mode chooser (kept out of sight: it gets no bounds). */
    CtModeComboBox ctModeCombo;

    /** The command buttons. "Connect" and "Send Data" stay hidden; "Audio MIDI
        Setup" gets no bounds. */
    CommandButton curveViewButton, firmwareUpgradeButton, connectButton, sendDataButton,
                  resetButton, saveFileButton, loadFileButton, saveDeviceSettingsButton,
                  audioMidiSetupButton;

    /** Built but never shown: the logo itself opens the about window. */
    juce::ImageButton aboutButton;

    /** The keyboard picture with its control buttons. */
    MixerSection mixerSection;

    /** The keyboard model ("Dravel 25" .. "Dravel 88", ids 1..5) and the detail row. */
    MapComboBox modelCombo, msgTypeCombo, channelCombo, messageCombo, fifthCombo;

    /** The keyboard's firmware version, as the keyboard reported it; named "fw ver". */
    std::unique_ptr<juce::Label> fwVersionLabel;

private:
    void globalFocusChanged (juce::Component*) override;
    void takeInitialFocus();
    void updateProductFromDeviceName();
    void runDeviceChooser();
    void runCurveDialog();
    void toggleTestMode();
    void handleDetailChange (juce::ComboBox* combo);

    juce::Point<float> lastMousePosition;
    bool logoHover = false;
    int keyboardImageIndex = -1;
    bool initialFocusTaken = false;
    bool firstPaintReported = false;

    juce::TooltipWindow tooltipWindow { nullptr, 700 };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainComp)
};

} // namespace NsDravel

#include "editor/window/MainComp.h"

#include "common/AssetLoader.h"

#include "editor/window/AboutComponent.h"
#include "editor/curves/CurveSettingView.h"
#include "editor/window/DeviceSelectComponent.h"
#include "editor/model/DeviceSettingsImage.h"
#include "editor/device/DeviceTimer.h"
#include "editor/EditorState.h"
#include "editor/device/Host.h"
#include "editor/device/HostImpl.h"
#include "editor/files/MappingFileCommands.h"
#include "editor/model/MappingModel.h"
#include "editor/device/MidiInputHandler.h"
#include "editor/window/ModeComboLookup.h"
#include "editor/device/PortNames.h"
#include "editor/window/RawMidiSender.h"
#include "editor/window/UpgraderHook.h"
#include "firmware/catalogue/PortNameTable.h"

#include <cstdio>
#include <cstdlib>

namespace NsDravel
{

namespace
{
    constexpr int firstModelProductId = 0x1020;   // Dravel 25; the models follow in steps of one
    constexpr int modelCount = 5;

    const char* const keyboardPictureNames[modelCount] { "ui/kbd/kbd3.png", "ui/kbd/kbd4.png", "ui/kbd/kbd5.png",
                                                         "ui/kbd/kbd6.png", "ui/kbd/kbd8.png" };

    const juce::Colour black (0xFF000000);

    bool isKeyboardProductId (int id)
    {
        return id >= firstModelProductId && id < firstModelProductId + modelCount;
    }

    int hostModelIndex()
    {
        return Host::getInstance()->getProductId() - firstModelProductId;
    }

    /** The product id the test toggle pretends to have detected. */
    constexpr int testProductId = 0x1D;

    /** Ctrl+Shift+Alt and nothing else: not even a held mouse button. */
    bool isHiddenChord (const juce::KeyPress& key)
    {
        return key.getModifiers().getRawFlags() == (juce::ModifierKeys::shiftModifier
                                                    | juce::ModifierKeys::ctrlModifier
                                                    | juce::ModifierKeys::altModifier);
    }

    /** X11 delivers letters with Ctrl held in lower case, Caps Lock and Shift in
        upper case: they are all the same key. */
    bool isLetter (const juce::KeyPress& key, char upperCaseLetter)
    {
        const auto code = key.getKeyCode();
        return code == upperCaseLetter || code == juce::CharacterFunctions::toLowerCase ((juce::juce_wchar) upperCaseLetter);
    }
}

//==============================================================================
MainComp::MainComp (int)
{
    theMainComp = this;
    theHost = Host::getInstance();

    logoPicture = loadResourceImage ("halvik/Halvik Logo.png", true);
    productPicture = loadResourceImage ("product/Dravel/Dravel.png", true);

    for (int i = 0; i < modelCount; ++i)
        keyboardPictures[i] = loadResourceImage (keyboardPictureNames[i], true);

    tooltipWindow.setMillisecondsBeforeTipAppears (0);

    addAndMakeVisible (mixerSection);
    const auto panelChildCount = mixerSection.getNumChildComponents();

    fwVersionLabel = std::make_unique<juce::Label> ("fw ver", juce::String());
    addAndMakeVisible (*fwVersionLabel);
    fwVersionLabel->setText ({}, juce::dontSendNotification);
    fwVersionLabel->setColour (juce::Label::textColourId, black);
    fwVersionLabel->setColour (juce::Label::backgroundColourId, juce::Colour (0xFFD3D3D3));
    fwVersionLabel->setColour (juce::Label::outlineColourId, juce::Colour (0xFF808080));
    fwVersionLabel->setJustificationType (juce::Justification::centred);

    addAndMakeVisible (modelCombo);
    modelCombo.addListener (this);
    modelCombo.addItemList ({ "Dravel 25", "Dravel 37", "Dravel 49", "Dravel 61", "Dravel 88" }, 1);

    if (deviceName.isEmpty())
    {
        deviceName = findDravelDeviceName();
        const auto id = halvik::getProductIdFromPortName (deviceName);

        if (isKeyboardProductId (id))
            theHost->setProductId (id);
    }

    setKeyboardImage (hostModelIndex());
    modelCombo.setSelectedItemIndex (hostModelIndex(), juce::dontSendNotification);

    auto addCaptioned = [this] (juce::Label& caption, const juce::String& text, juce::ComboBox& combo)
    {
        caption.setText (text, juce::dontSendNotification);
        caption.setColour (juce::Label::textColourId, black);
        caption.setJustificationType (juce::Justification::centred);
        addAndMakeVisible (caption);
        addAndMakeVisible (combo);
    };

    addCaptioned (controlModeCaption, "Control Mode", ctModeCombo);
    addCaptioned (messageCaption, "Message", messageCombo);
    addCaptioned (channelCaption, "Channel", channelCombo);
    addCaptioned (msgTypeCaption, "Msg Type", msgTypeCombo);
    addCaptioned (fifthCaption, "Sustain", fifthCombo);

    // The detail row must not take the focus from the editor's keys.
    for (auto* combo : { &msgTypeCombo, &channelCombo, &messageCombo, &fifthCombo })
        combo->setWantsKeyboardFocus (false);

    for (juce::ComboBox* combo : { (juce::ComboBox*) &ctModeCombo, (juce::ComboBox*) &modelCombo,
                                   (juce::ComboBox*) &msgTypeCombo, (juce::ComboBox*) &channelCombo,
                                   (juce::ComboBox*) &messageCombo, (juce::ComboBox*) &fifthCombo })
        combo->addListener (this);

    auto addCommand = [this] (CommandButton& button, const juce::String& text)
    {
        button.setButtonText (text);
        addAndMakeVisible (button);
    };

    addCommand (curveViewButton, juce::translate ("Curve View"));
    addCommand (resetButton, "Reset To Factory Default");
    addCommand (saveFileButton, "Save File");
    addCommand (saveDeviceSettingsButton, "Save Device Settings");
    saveDeviceSettingsButton.setVisible (true);
    addCommand (loadFileButton, "Load File");
    addCommand (sendDataButton, "Send Data");
    sendDataButton.setVisible (false);
    addCommand (firmwareUpgradeButton, "Firmware Upgrade");
    addCommand (connectButton, "Connect");
    connectButton.setVisible (false);
    addCommand (audioMidiSetupButton, "Audio MIDI Setup");

    for (auto* child : getChildren())
        if (auto* command = dynamic_cast<CommandButton*> (child))
            command->addListener (this);

    for (int i = 0; i < panelChildCount; ++i)
        if (auto* button = dynamic_cast<juce::Button*> (mixerSection.getChildComponent (i)))
            button->addListener (this);

    // The editor's own keys work from the start, without a first click.
    setWantsKeyboardFocus (true);
    juce::Desktop::getInstance().addFocusChangeListener (this);
}

MainComp::~MainComp()
{
    // First of all: a tick or a version reply arriving from now on must find no
    // editor rather than a half-destroyed one.
    if (mixerSection.deviceTimer != nullptr)
        mixerSection.deviceTimer->stopTimer();

    theMainComp = nullptr;
    theTimer = nullptr;

    juce::Desktop::getInstance().removeFocusChangeListener (this);
}

//==============================================================================
juce::Rectangle<int> MainComp::getLogoBounds() const
{
    return { 34, 10,
             (int) ((float) logoPicture.getWidth() * 0.75f),
             (int) ((float) logoPicture.getHeight() * 0.75f) };
}

juce::Rectangle<int> MainComp::getProductImageBounds() const
{
    const auto w = productPicture.getWidth();
    const auto h = productPicture.getHeight();
    return { 465 - w / 2, 10, w, h };
}

void MainComp::paintPictures (juce::Graphics& g)
{
    auto drawWhole = [&g] (const juce::Image& picture, juce::Rectangle<int> area)
    {
        g.drawImage (picture, area.getX(), area.getY(), area.getWidth(), area.getHeight(),
                     0, 0, picture.getWidth(), picture.getHeight(), false);
    };

    drawWhole (logoPicture, getLogoBounds());
    drawWhole (productPicture, getProductImageBounds());
}

void MainComp::paint (juce::Graphics& g)
{
    // For the start-up benchmark only: it asks through the environment and reads
    // the moment of the first paint from stderr (a system-wide monotonic clock).
    if (! firstPaintReported)
    {
        firstPaintReported = true;

        if (std::getenv ("TAVLO_REPORT_FIRST_PAINT") != nullptr)
            std::fprintf (stderr, "tavlo first paint at %.3f ms\n", juce::Time::getMillisecondCounterHiRes());
    }

    g.fillAll (juce::Colour (0xFFEEEEEE));

    const juce::Rectangle<float> panel (26.0f, 50.0f, (float) getWidth() - 52.0f, 286.0f);
    g.setColour (juce::Colour (0xFFC8C8C8));
    g.fillRoundedRectangle (panel, 15.0f);
    g.setColour (juce::Colour (0xFFBBBBBB));
    g.drawRoundedRectangle (panel, 15.0f, 2.0f);

    paintPictures (g);

    if (logoHover)
    {
        const auto m = lastMousePosition;
        g.setColour (juce::Colour (0xDFFFFFFF));
        g.fillRoundedRectangle (m.x, m.y - 10.0f, 51.8f, 20.0f, 5.0f);
        g.setColour (black);
        g.drawText ("About..", juce::Rectangle<int> ((int) m.x, (int) (m.y - 10.0f), 51, 20),
                    juce::Justification::centred, true);
    }
}

//==============================================================================
void MainComp::resized()
{
    // The editor's layout is fixed: the window always comes back to its size.
    // Being not resizable, it gives the window manager that size as both its
    // smallest and its largest.
    if (auto* top = getTopLevelComponent())
        top->setSize (979, 473);

    layoutControlRow();
    layoutCommandButtons();

    const auto w = (float) getWidth();
    const auto p = getProductImageBounds();
    fwVersionLabel->setBounds (juce::roundToInt ((float) p.getRight() + w * 0.02f),
                               juce::roundToInt ((float) p.getY() + (float) (p.getHeight() - 20) * 0.5f),
                               juce::roundToInt (w * 0.09f),
                               20);

    mixerSection.setBounds (0, p.getBottom(), getWidth(), getHeight());
}

void MainComp::layoutControlRow()
{
    modelCombo.setBounds (getWidth() - 176, 14, 150, 22);

    const int y = getHeight() - 75;
    curveViewButton.setBounds (24, y, 80, 23);

    int x = 120;

    for (auto [combo, caption, width] : { std::make_tuple (&msgTypeCombo, &msgTypeCaption, 110),
                                          std::make_tuple (&channelCombo, &channelCaption, 110),
                                          std::make_tuple (&messageCombo, &messageCaption, 200),
                                          std::make_tuple (&fifthCombo, &fifthCaption, 110) })
    {
        combo->setBounds (x, y, width, 22);
        caption->setBounds (x, y - 20, width, 22);
        x = combo->getRight() + 30;
    }
}

void MainComp::layoutCommandButtons()
{
    const int y = getHeight() - 33;

    firmwareUpgradeButton.setBounds (24, y, 94, 23);
    connectButton.setBounds ((int) (24.0 + 94.0 + 121.6), y, 94, 23);
    sendDataButton.setBounds (connectButton.getX() + 106, y, 94, 23);
    resetButton.setBounds (sendDataButton.getX() + 106, y, 141, 23);
    saveFileButton.setBounds ((int) (resetButton.getRight() + 12.0), y, 94, 23);
    loadFileButton.setBounds (saveFileButton.getX() + 106, y, 94, 23);
    saveDeviceSettingsButton.setBounds (loadFileButton.getX() + 106, y, 131, 23);
}

//==============================================================================
void MainComp::mouseMove (const juce::MouseEvent& e)
{
    lastMousePosition = e.position;
    logoHover = getLogoBounds().contains (e.getPosition());
    repaint();
}

void MainComp::mouseExit (const juce::MouseEvent&)
{
    logoHover = false;
    repaint();
}

void MainComp::mouseDown (const juce::MouseEvent& e)
{
    if (getProductImageBounds().contains (e.getPosition()))
    {
        repaint();
    }
    else if (getLogoBounds().contains (e.getPosition()))
    {
        logoHover = false;
        repaint();
        showAboutWindow();
    }
}

//==============================================================================
void MainComp::parentHierarchyChanged()   { takeInitialFocus(); }
void MainComp::visibilityChanged()        { takeInitialFocus(); }

void MainComp::globalFocusChanged (juce::Component* focused)
{
    // Activating the window hands the focus to the window itself, also after
    // the editor had taken it: pass it back, or the editor's keys would only
    // work after a first click.
    if (focused != nullptr && focused->isParentOf (this))
    {
        if (! isCurrentlyBlockedByAnotherModalComponent())
            grabKeyboardFocus();
    }
    else
    {
        takeInitialFocus();
    }
}

void MainComp::takeInitialFocus()
{
    if (initialFocusTaken || ! isShowing())
        return;

    if (! hasKeyboardFocus (true))
        grabKeyboardFocus();

    // The window may not be active yet; then the next focus change tries again.
    initialFocusTaken = hasKeyboardFocus (true);
}

//==============================================================================
void MainComp::setKeyboardImage (int index)
{
    keyboardImageIndex = juce::isPositiveAndBelow (index, modelCount) ? index : -1;
    mixerSection.setKeyboardPicture (keyboardImageIndex >= 0 ? keyboardPictures[keyboardImageIndex]
                                                             : juce::Image());
}

void MainComp::untoggleAllButtons()
{
    for (auto* child : mixerSection.getChildren())
        if (auto* button = dynamic_cast<MappableButton*> (child))
            button->setToggleState (false, juce::dontSendNotification);
}

MappableButton* MainComp::getSelectedButton() const
{
    for (auto* child : mixerSection.getChildren())
        if (auto* button = dynamic_cast<MappableButton*> (child))
            if (button->getToggleState())
                return button;

    return nullptr;
}

void MainComp::refreshFromModel()
{
    mixerSection.bindControls();

    if (auto* selected = getSelectedButton())
        showControlDetail (selected);
}

//==============================================================================
void MainComp::buttonClicked (juce::Button* button)
{
    if (button == &connectButton)
    {
        runDeviceChooser();
    }
    else if (button == &curveViewButton)
    {
        runCurveDialog();
    }
    else if (button == &sendDataButton)
    {
        if (deviceName.isEmpty())
        {
            deviceName = findDravelDeviceName();
            updateProductFromDeviceName();
        }

        theHost->impl->outputName = deviceName;
        pendingSettingsWrite = true;
    }
    else if (button == &loadFileButton)
    {
        juce::Component::SafePointer<MainComp> self (this);

        // The editor shows the model as it is whether the file loaded or not (a
        // failed load changes nothing and is shown to the user).
        if (runLoadFileCommand() && self != nullptr)
            showLoadedMapping();
    }
    else if (button == &saveFileButton)
    {
        runSaveFileCommand();
    }
    else if (button == &resetButton)
    {
        auto map = theHost->getCurrentMap();
        resetMapToFactoryDefaults (map);
        refreshFromModel();
        pendingSettingsWrite = true;
    }
    else if (button == &saveDeviceSettingsButton)
    {
        pendingStoreCommand = true;
    }
    else if (button == &firmwareUpgradeButton)
    {
        runFirmwareUpgrade();
    }
    else if (button == &aboutButton)
    {
        showAboutWindow();
    }
    else if (auto* control = dynamic_cast<MappableButton*> (button))
    {
        untoggleAllButtons();
        control->setToggleState (true, juce::dontSendNotification);
        control->grabKeyboardFocus();
        showControlDetail (control);
    }
}

void MainComp::comboBoxChanged (juce::ComboBox* combo)
{
    if (combo == &modelCombo)
    {
        const auto id = modelCombo.getSelectedId();

        if (id >= 1 && id <= modelCount)
        {
            setKeyboardImage (id - 1);
            selectedProductId = firstModelProductId + id - 1;
            theHost->setProductId (selectedProductId);
        }
    }
    else if (combo == &ctModeCombo)
    {
        const auto mode = getModeIndexOfComboId (ctModeCombo);

        if (mode >= 0)
        {
            theHost->setCurrentMode (mode);
            refreshFromModel();
        }
    }
    else
    {
        handleDetailChange (combo);
    }

    pendingSettingsWrite = true;
}

//==============================================================================
bool MainComp::keyPressed (const juce::KeyPress& key)
{
    if (isHiddenChord (key))
    {
        if (isLetter (key, 'M'))
            runRawMidiSender();
        else if (isLetter (key, 'T'))
            toggleTestMode();
    }
    else if (isLetter (key, 'R'))
    {
        // No confirmation, and nothing sent now: the keyboard gets the factory
        // settings with the next change that sends the settings.
        auto map = theHost->getCurrentMap();
        resetMapToFactoryDefaults (map);
        refreshFromModel();
    }
    else if (key.getKeyCode() == juce::KeyPress::F1Key)
    {
        showAboutWindow();
    }

    return false;
}

void MainComp::toggleTestMode()
{
    testModeEnabled = ! testModeEnabled;

    if (testModeEnabled)
    {
        // Keep the real keyboard's id to come back to.
        if (isKeyboardProductId (detectedProductId))
            productId = detectedProductId.load();

        detectedProductId = testProductId;
    }
    else
    {
        detectedProductId = productId.load();
    }

    // The device timer reconnects with the new id at its next tick.
    deviceConnected = false;
}

//==============================================================================
void MainComp::updateProductFromDeviceName()
{
    const auto id = halvik::getProductIdFromPortName (deviceName);

    if (isKeyboardProductId (id))
    {
        theHost->setProductId (id);
        setKeyboardImage (id - firstModelProductId);
        modelCombo.setSelectedId (id - firstModelProductId + 1, juce::dontSendNotification);
    }
}

void MainComp::runDeviceChooser()
{
    if (deviceName.isEmpty())
        deviceName = findDravelDeviceName();

    auto chooser = std::make_unique<DeviceSelectComponent>();

    juce::DialogWindow::LaunchOptions options;
    options.content.setNonOwned (chooser.get());
    options.dialogTitle = "Select your device";
    options.componentToCentreAround = this;
    options.escapeKeyTriggersCloseButton = true;
    options.useNativeTitleBar = true;
    options.resizable = false;
    options.useBottomRightCornerResizer = false;

    juce::Component::SafePointer<MainComp> self (this);

    if (options.runModal() > 0)
        theHost->impl->outputName = chooser->getChosenName();

    if (self == nullptr)
        return;                                     // the editor went while the chooser ran

    // Also after a cancel: the chooser's "Connect" may have changed the name first.
    updateProductFromDeviceName();
}

void MainComp::runCurveDialog()
{
    const auto curveNumber = currentCurveNumber;
    const auto* parent = getParentComponent() != nullptr ? getParentComponent() : this;
    auto view = std::make_unique<CurveSettingView> (curveNumber, parent->getWidth(), parent->getHeight());

    juce::DialogWindow::LaunchOptions options;
    options.content.setNonOwned (view.get());
    options.dialogTitle = getCurveDialogTitle (curveNumber);
    options.componentToCentreAround = this;
    options.escapeKeyTriggersCloseButton = true;
    options.useNativeTitleBar = false;
    options.resizable = false;
    options.useBottomRightCornerResizer = true;
    options.runModal();
}

void MainComp::showLoadedMapping()
{
    modelCombo.setSelectedItemIndex (hostModelIndex(), juce::dontSendNotification);
    refreshFromModel();
}

void MainComp::runFirmwareUpgrade()
{
    if (upgradeLaunchGuard)
        return;

    upgradeLaunchGuard = true;
    const auto pid = theHost->getProductId();

    // The upgrader talks to the keyboard on its own ports: ours stay closed
    // while it runs, and the timer ticks on without reopening them.
    autoConnectEnabled = false;

    if (theHost->connection != nullptr)
        theHost->connection->closeDevices();

    // However the upgrader ends, the keyboard may come back under other ports
    // (or with new firmware): forget what we knew, so that the next tick sees
    // a changed list and reconnects.
    struct ReconnectAfterwards
    {
        ~ReconnectAfterwards()
        {
            autoConnectEnabled = true;
            deviceConnected = false;
            knownOutputNames.clear();
            upgradeLaunchGuard = false;
        }
    } reconnectAfterwards;

    firmwareUpgraderEntry() (pid, this, true, true, 0);
}

} // namespace NsDravel

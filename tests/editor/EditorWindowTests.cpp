#include "support/EditorFixture.h"
#include "support/DispatchUntil.h"

#include "app/AssetLoader.h"
#include "editor/HostImpl.h"
#include "editor/MidiInputHandler.h"
#include "editor/UpgraderHook.h"

using namespace sim;

namespace
{
    int pairCount()
    {
        auto& connection = NsDravel::Host::getInstance()->connection;
        return connection == nullptr ? 0 : connection->getPairCount();
    }

    /** Puts a stand-in upgrader in place for one test. */
    struct ScopedUpgrader
    {
        explicit ScopedUpgrader (NsDravel::UpgraderEntry entry)
            : previous (std::exchange (NsDravel::firmwareUpgraderEntry(), std::move (entry))) {}
        ~ScopedUpgrader()   { NsDravel::firmwareUpgraderEntry() = previous; }

        NsDravel::UpgraderEntry previous;
    };

    juce::uint32 argb (const juce::Image& image, int x, int y)
    {
        return image.getPixelAt (x, y).getARGB();
    }

    juce::MouseEvent mouseAt (juce::Component& target, juce::Point<float> position)
    {
        const auto now = juce::Time::getCurrentTime();
        return { juce::Desktop::getInstance().getMainMouseSource(), position, {}, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                 &target, &target, now, position, now, 1, false };
    }

    juce::DialogWindow* findDialog (const juce::String& title)
    {
        auto& desktop = juce::Desktop::getInstance();

        for (int i = 0; i < desktop.getNumComponents(); ++i)
            if (auto* dialog = dynamic_cast<juce::DialogWindow*> (desktop.getComponent (i)); dialog != nullptr && dialog->getName() == title)
                return dialog;

        return nullptr;
    }

    /** Presses a button of the device chooser once its dialog is on screen. */
    void pressInDeviceChooser (const juce::String& buttonText, int triesLeft = 100)
    {
        juce::MessageManager::callAsync ([buttonText, triesLeft]
        {
            if (auto* dialog = findDialog ("Select your device"))
                for (auto* child : dialog->getContentComponent()->getChildren())
                    if (auto* button = dynamic_cast<juce::TextButton*> (child); button != nullptr && button->getButtonText() == buttonText)
                        return button->triggerClick();

            if (triesLeft > 0)
                pressInDeviceChooser (buttonText, triesLeft - 1);
        });
    }
}

using EditorWindow = EditorFixture;

TEST_F (EditorWindow, StartsDisconnectedOnTheSmallestModelWithAnEmptyDetailRow)
{
    tick();

    EXPECT_TRUE (title().endsWith (" [disconnected] ")) << title();
    EXPECT_EQ (editor->modelCombo.getText(), "Dravel 25");
    EXPECT_EQ (editor->getKeyboardImageIndex(), 0);
    EXPECT_EQ (editor->getSelectedButton(), nullptr);

    for (auto* combo : { &editor->msgTypeCombo, &editor->channelCombo, &editor->messageCombo, &editor->fifthCombo })
        EXPECT_EQ (combo->getNumItems(), 0);

    EXPECT_EQ (editor->msgTypeCaption.getText(), "Msg Type");
    EXPECT_EQ (editor->fifthCaption.getText(), "Sustain");
    EXPECT_EQ (editor->fwVersionLabel->getText(), "");
}

TEST_F (EditorWindow, KeepsItsFixedSizeAndShowsTheKeyboardPictureAndTheLogo)
{
    editor->setSize (500, 300);
    auto& e = *editor;
    EXPECT_EQ (e.getBounds(), juce::Rectangle<int> (0, 0, 979, 473)) << "any other size is taken back";

    const auto shot = e.createComponentSnapshot (e.getLocalBounds());
    const auto background = argb (shot, 5, 5);

    // The keyboard picture is there, drawn at its own size behind the keys button.
    const auto keyboard = loadResourceImage ("ui/kbd/kbd3.png", true);
    ASSERT_TRUE (keyboard.isValid());
    const auto pictureOrigin = e.mixerSection.getPosition() + e.mixerSection.getKeyboardPicture().getPosition();
    EXPECT_EQ (argb (shot, pictureOrigin.x + 337, pictureOrigin.y + 87), keyboard.getPixelAt (337, 87).getARGB());

    int logoPixels = 0;
    const auto logo = e.getLogoBounds();

    for (int y = logo.getY(); y < logo.getBottom(); ++y)
        for (int x = logo.getX(); x < logo.getRight(); ++x)
            logoPixels += argb (shot, x, y) != background ? 1 : 0;

    EXPECT_GT (logoPixels, 100);
}

TEST_F (EditorWindow, ChoosingDravel61ShowsItsPictureAndSwitchesTheProductId)
{
    pick (editor->modelCombo, "Dravel 61");

    EXPECT_EQ (editor->getKeyboardImageIndex(), 3);
    EXPECT_EQ (editor->mixerSection.getKeyboardPicture().getImage(), loadResourceImage ("ui/kbd/kbd6.png", true));
    EXPECT_EQ (NsDravel::selectedProductId, 0x1023);
    EXPECT_EQ (NsDravel::Host::getInstance()->getProductId(), 0x1023);
    EXPECT_TRUE (NsDravel::pendingSettingsWrite);
}

TEST_F (EditorWindow, ResetToFactoryDefaultBringsBackTheFactoryImageAndSendsIt)
{
    SimulatedKeyboard keyboard (ports);
    tick();
    click (controlButton (2));
    pick (editor->channelCombo, "16");
    pick (editor->fifthCombo, "by releasing");
    ASSERT_NE (NsDravel::deviceSettingsImage, NsDravel::factorySettingsImage);

    click (editor->resetButton);

    EXPECT_EQ (NsDravel::deviceSettingsImage, NsDravel::factorySettingsImage);
    EXPECT_EQ ((int) controlNode (2)["chan"], 1);
    EXPECT_EQ (editor->channelCombo.getText(), "1");     // the row shows the model again
    keyboard.clearRecords();
    tick();
    ASSERT_FALSE (keyboard.appliedImages().empty());
    EXPECT_EQ (keyboard.appliedImages().back().bytes, imageBytes (NsDravel::factorySettingsImage));
}

TEST_F (EditorWindow, SaveDeviceSettingsSendsTheStoreCommandOnTheNextTick)
{
    AlertRecorder alerts;
    SimulatedKeyboard keyboard (ports);
    tick();

    click (editor->saveDeviceSettingsButton);
    EXPECT_TRUE (keyboard.storeCommands().empty());
    tick();

    ASSERT_EQ (keyboard.storeCommands().size(), 1u);
    EXPECT_EQ (keyboard.storeCommands()[0], 0x1022);
    settle();
    EXPECT_TRUE (alerts.messages.contains ("Save device settings OK!"));
}

TEST_F (EditorWindow, TheUpgraderGetsTheKeyboardAloneAndAutoConnectComesBackAfter)
{
    SimulatedKeyboard keyboard (ports);
    tick();
    ASSERT_EQ (pairCount(), 1);

    int calls = 0, productSeen = 0, portsOpenDuringUpgrade = -1;
    bool autoConnectDuringUpgrade = true;
    juce::Component* parentSeen = nullptr;

    ScopedUpgrader upgrader ([&] (int pid, juce::Component* parent, bool, bool, int)
    {
        ++calls;
        productSeen = pid;
        parentSeen = parent;
        autoConnectDuringUpgrade = NsDravel::autoConnectEnabled;
        tick();                                   // the timer keeps ticking meanwhile
        portsOpenDuringUpgrade = pairCount();
        click (editor->firmwareUpgradeButton);    // a second press is ignored
        editor->runFirmwareUpgrade();
        return 0;
    });

    click (editor->firmwareUpgradeButton);

    EXPECT_EQ (calls, 1);
    EXPECT_EQ (productSeen, 0x1022);
    EXPECT_EQ (parentSeen, editor.get());
    EXPECT_FALSE (autoConnectDuringUpgrade);
    EXPECT_EQ (portsOpenDuringUpgrade, 0);

    EXPECT_TRUE (NsDravel::autoConnectEnabled);
    EXPECT_FALSE (NsDravel::deviceConnected);
    EXPECT_TRUE (NsDravel::knownOutputNames.isEmpty());
    EXPECT_FALSE (NsDravel::upgradeLaunchGuard);

    tick();
    EXPECT_EQ (pairCount(), 1);
    EXPECT_TRUE (NsDravel::deviceConnected);
}

TEST_F (EditorWindow, DestroyingTheEditorStopsItsTimerAndLeavesNoEditorBehind)
{
    ASSERT_NE (NsDravel::theTimer, nullptr);
    editor.reset();

    EXPECT_EQ (NsDravel::theMainComp, nullptr);
    EXPECT_EQ (NsDravel::theTimer, nullptr);

    tick();   // a tick after the editor has gone finds nothing to draw into
    EXPECT_EQ (NsDravel::theMainComp, nullptr);
}

TEST_F (EditorWindow, HasTheKeyboardFocusOnceItsWindowIsShown)
{
    juce::DocumentWindow window ("Dravel Tavlo", juce::Colours::white, 0);
    window.setUsingNativeTitleBar (true);
    window.setContentNonOwned (editor.get(), false);
    window.addToDesktop();
    window.setVisible (true);
    window.toFront (true);

    EXPECT_TRUE (testsupport::dispatchUntil ([this] { return editor->hasKeyboardFocus (true); }));
    EXPECT_EQ (window.getWidth(), 979);

    window.clearContentComponent();
}

TEST_F (EditorWindow, HoveringTheLogoOffersTheAboutBoxAndClickingItOpensIt)
{
    editor->setSize (979, 473);
    const auto snapshot = [this] { return editor->createComponentSnapshot ({ 60, 15, 52, 20 }); };
    const auto plain = snapshot();

    editor->mouseMove (mouseAt (*editor, { 60.0f, 25.0f }));
    const auto hovering = snapshot();
    EXPECT_NE (hovering.getPixelAt (30, 2), plain.getPixelAt (30, 2));
    EXPECT_GT (hovering.getPixelAt (30, 2).getBrightness(), 0.95f) << "the white \"About..\" box";

    editor->mouseDown (mouseAt (*editor, { 400.0f, 25.0f }));          // the product picture
    EXPECT_EQ (findDialog ("About This Tavlo"), nullptr);

    editor->mouseDown (mouseAt (*editor, { 60.0f, 25.0f }));
    std::unique_ptr<juce::DialogWindow> about (findDialog ("About This Tavlo"));
    EXPECT_NE (about, nullptr);
    EXPECT_EQ (snapshot().getPixelAt (30, 2), plain.getPixelAt (30, 2)) << "the box has gone";
}

TEST_F (EditorWindow, TheDeviceChooserPicksTheOutputAndTheModelFollowsItsName)
{
    SimulatedKeyboard keyboard (ports, { "Dravel 61", 0x1023 });

    pressInDeviceChooser ("Connect");
    click (editor->connectButton);

    EXPECT_EQ (NsDravel::Host::getInstance()->impl->outputName, keyboard.firstOutputName());
    EXPECT_EQ (editor->modelCombo.getText(), "Dravel 61");
    EXPECT_EQ (editor->getKeyboardImageIndex(), 3);
    EXPECT_EQ (NsDravel::Host::getInstance()->getProductId(), 0x1023);
}

TEST_F (EditorWindow, CancellingTheDeviceChooserKeepsTheOutput)
{
    SimulatedKeyboard keyboard (ports, { "Dravel 61", 0x1023 });
    NsDravel::Host::getInstance()->impl->outputName = "elsewhere";

    pressInDeviceChooser ("Cancel");
    click (editor->connectButton);

    EXPECT_EQ (NsDravel::Host::getInstance()->impl->outputName, "elsewhere");
    EXPECT_EQ (editor->modelCombo.getText(), "Dravel 61");   // the found name still decides the model
}

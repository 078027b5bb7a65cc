#include "support/EditorFixture.h"
#include "support/MessageLoop.h"

#include "common/AssetLoader.h"
#include "editor/device/HostImpl.h"
#include "editor/window/UpgraderHook.h"

using namespace sim;

namespace
{
    /** Presses a button of the device chooser once its dialog is on screen. */
    void pressInDeviceChooser (const juce::String& buttonText, int triesLeft = 100)
    {
        juce::MessageManager::callAsync ([buttonText, triesLeft]
        {
            for (auto* window : testsupport::findWindowsTitled ("Select your device"))
                if (auto* dialog = dynamic_cast<juce::DialogWindow*> (window))
                    if (auto* button = testsupport::findButton (*dialog->getContentComponent(), buttonText))
                        return button->triggerClick();

            if (triesLeft > 0)
                pressInDeviceChooser (buttonText, triesLeft - 1);
        });
    }
}

using EditorWindow = EditorFixture;

TEST_F (EditorWindow, StartsDisconnectedOnTheSmallestModelWithAnEmptyDetailRowKeepsItsOneSizeAndShowsAChosenModel)
{
    tick();

    EXPECT_TRUE (title().endsWith (" [disconnected] ")) << title();
    EXPECT_EQ (editor->modelCombo.getText(), "Dravel 25");
    EXPECT_EQ (editor->mixerSection.getKeyboardPicture().getImage(), loadResourceImage ("ui/kbd/kbd3.png", true));
    EXPECT_EQ (editor->getSelectedButton(), nullptr);

    for (auto* combo : { &editor->msgTypeCombo, &editor->channelCombo, &editor->messageCombo, &editor->fifthCombo })
        EXPECT_EQ (combo->getNumItems(), 0);

    editor->setSize (500, 300);
    EXPECT_EQ (editor->getBounds(), juce::Rectangle<int> (0, 0, 979, 473)) << "any other size is taken back";

    pick (editor->modelCombo, "Dravel 61");
    EXPECT_EQ (editor->mixerSection.getKeyboardPicture().getImage(), loadResourceImage ("ui/kbd/kbd6.png", true));
    EXPECT_EQ (NsDravel::Host::getInstance()->getProductId(), 0x1023);
    EXPECT_TRUE (NsDravel::pendingSettingsWrite);
}

TEST_F (EditorWindow, TheUpgraderGetsTheKeyboardAloneAndAutoConnectComesBackAfter)
{
    SimulatedKeyboard keyboard (ports);
    tick();
    ASSERT_EQ (pairCount(), 1);

    int calls = 0;

    const auto upgrader = [&] (int pid, juce::Component* parent, bool, bool, int)
    {
        ++calls;
        EXPECT_EQ (pid, 0x1022);
        EXPECT_EQ (parent, editor.get());
        EXPECT_FALSE (NsDravel::autoConnectEnabled);
        keyboard.clearRecords();
        NsDravel::pendingSettingsWrite = true;
        tick();                                   // the timer keeps ticking meanwhile, and sends nothing
        EXPECT_EQ (pairCount(), 0);
        EXPECT_TRUE (keyboard.received().empty());
        click (editor->firmwareUpgradeButton);    // a second press is ignored
        editor->runFirmwareUpgrade();
        return 0;
    };

    const auto realUpgrader = std::exchange (NsDravel::firmwareUpgraderEntry(), upgrader);
    click (editor->firmwareUpgradeButton);
    NsDravel::firmwareUpgraderEntry() = realUpgrader;

    EXPECT_EQ (calls, 1);
    EXPECT_TRUE (NsDravel::autoConnectEnabled);
    EXPECT_FALSE (NsDravel::deviceConnected);
    EXPECT_TRUE (NsDravel::knownOutputNames.isEmpty());
    EXPECT_FALSE (NsDravel::upgradeLaunchGuard);

    tick();
    EXPECT_EQ (pairCount(), 1);
    EXPECT_TRUE (NsDravel::deviceConnected);
}

TEST_F (EditorWindow, TheDeviceTimerStartsWithTheControlPanelAndStopsWithTheEditor)
{
    ASSERT_NE (NsDravel::theTimer, nullptr);
    editor.reset();

    EXPECT_EQ (NsDravel::theMainComp, nullptr);
    EXPECT_EQ (NsDravel::theTimer, nullptr);

    tick();   // a tick after the editor has gone finds nothing to draw into
    EXPECT_EQ (NsDravel::theMainComp, nullptr);

    NsDravel::MixerSection panel;
    ASSERT_NE (NsDravel::theTimer, nullptr);
    EXPECT_TRUE (NsDravel::theTimer->isTimerRunning());
}

TEST_F (EditorWindow, TheDeviceChooserPicksTheOutputOrOnCancelKeepsItAndTheModelFollowsTheFoundName)
{
    SimulatedKeyboard keyboard (ports, { "Dravel 61", 0x1023 });
    NsDravel::Host::getInstance()->impl->outputName = "elsewhere";

    pressInDeviceChooser ("Cancel");
    click (editor->connectButton);

    EXPECT_EQ (NsDravel::Host::getInstance()->impl->outputName, "elsewhere");
    EXPECT_EQ (editor->modelCombo.getText(), "Dravel 61");

    pick (editor->modelCombo, "Dravel 25");
    pressInDeviceChooser ("Connect");
    click (editor->connectButton);

    EXPECT_EQ (NsDravel::Host::getInstance()->impl->outputName, keyboard.firstOutputName());
    EXPECT_EQ (editor->modelCombo.getText(), "Dravel 61");
    EXPECT_EQ (editor->getKeyboardImageIndex(), 3);
    EXPECT_EQ (NsDravel::Host::getInstance()->getProductId(), 0x1023);
}

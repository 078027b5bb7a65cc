#include <gtest/gtest.h>

#include "support/EditorFixture.h"
#include "support/ScriptedPrompts.h"

#include "firmware/UpgraderState.h"
#include "firmware/window/FirmwareUpgradeComponent.h"
#include "firmware/window/UpgraderEntry.h"

#include <stdexcept>

using namespace halvik;

namespace
{
    struct UpgraderEntry : ::testing::Test
    {
        UpgraderEntry()           { resetUpgraderState(); ports.setRealPauses (false); }
        ~UpgraderEntry() override { resetUpgraderState(); }

        /** Answers the upgrade dialog by noting the product its window was
            opened for and whether the entry's guard was up meanwhile. */
        void watchTheWindow (int result = 7)
        {
            prompts.dialogAnswer = [this, result] (juce::Component& content, const juce::String&)
            {
                if (auto* window = dynamic_cast<FirmwareUpgradeComponent*> (&content))
                    windowProductId = window->requestedProductId;

                guardWhileOpen = upgraderOpen;
                return result;
            };
        }

        sim::SimulatedMidiPorts ports;
        sim::ScriptedPrompts prompts;
        int windowProductId = -1;
        bool guardWhileOpen = false;
    };

    struct Thrown : std::runtime_error
    {
        Thrown() : std::runtime_error ("thrown by a test") {}
    };
}

TEST_F (UpgraderEntry, TheNoticeComesFirstAndOkOpensTheUpgradeDialogForTheProduct)
{
    watchTheWindow();
    juce::Component parent;

    EXPECT_EQ (openFirmwareUpgrader (4130, &parent, true, true, 0), 7) << "the dialog's own result";

    ASSERT_EQ (prompts.shown.size(), 2u);
    EXPECT_EQ (prompts.shown[0].kind, "okCancel");
    EXPECT_EQ (prompts.shown[0].title, "Firmware Upgrader about to start");
    EXPECT_EQ (prompts.shown[1].kind, "dialog");
    EXPECT_EQ (prompts.shown[1].title, "Firmware Upgrade");
    EXPECT_EQ (windowProductId, 4130);
    EXPECT_TRUE (guardWhileOpen);
    EXPECT_FALSE (upgraderOpen);
}

TEST_F (UpgraderEntry, ADeclinedNoticeOpensNothing)
{
    watchTheWindow();
    prompts.okCancelAnswers = { false };

    EXPECT_EQ (openFirmwareUpgrader (4130, nullptr, true, true, 0), 0);
    EXPECT_TRUE (prompts.ofKind ("dialog").empty());
    EXPECT_FALSE (upgraderOpen);
}

TEST_F (UpgraderEntry, ACallFromInsideTheRunningUpgraderIsRefused)
{
    int nestedResult = -1;
    size_t shownBeforeNestedCall = 0;

    prompts.dialogAnswer = [&] (juce::Component&, const juce::String&)
    {
        shownBeforeNestedCall = prompts.shown.size();
        nestedResult = openFirmwareUpgrader (4130, nullptr, true, true, 0);
        return 1;
    };

    EXPECT_EQ (openFirmwareUpgrader (4130, nullptr, true, true, 0), 1);
    EXPECT_EQ (nestedResult, 0);
    EXPECT_EQ (prompts.shown.size(), shownBeforeNestedCall) << "the nested call showed nothing";
}

TEST_F (UpgraderEntry, AGroupProductOffersEveryMemberAndTheChosenOneGetsTheWindow)
{
    watchTheWindow();
    prompts.choiceAnswers = { 2 };

    EXPECT_EQ (openFirmwareUpgrader (2070, nullptr, true, true, 0), 7);

    ASSERT_EQ (prompts.ofKind ("choice").size(), 1u);
    const auto choice = prompts.ofKind ("choice")[0];
    EXPECT_EQ (choice.title, "Select Product to Upgrade");
    EXPECT_EQ (choice.message, "Which unit would you like to upgrade?");
    EXPECT_EQ (choice.icon, juce::MessageBoxIconType::QuestionIcon);
    EXPECT_EQ (choice.buttons, juce::StringArray ({ "R7-X1", "R7-X2", "R7-X3", "R7-X4", "*R7-X5", "R7-X6", "R7-X7", "CANCEL" }));
    EXPECT_EQ (windowProductId, 2067);
}

TEST_F (UpgraderEntry, CancellingTheGroupChoiceOpensNothing)
{
    for (int answer : { 0, -1, 9 })
    {
        sim::ScriptedPrompts scripted;
        scripted.choiceAnswers = { answer };

        EXPECT_EQ (openFirmwareUpgrader (2058, nullptr, true, true, 0), 0) << answer;
        EXPECT_TRUE (scripted.ofKind ("dialog").empty()) << answer;
        EXPECT_FALSE (upgraderOpen);
    }
}

TEST_F (UpgraderEntry, AProductOutsideTheGroupsGetsTheWindowWithoutBeingAsked)
{
    watchTheWindow();

    for (int productId : { 2057, 2054, 4130, 94 })
    {
        const bool notice = productId != 94;
        const auto shownBefore = prompts.ofKind ("okCancel").size();

        EXPECT_EQ (openFirmwareUpgrader (productId, nullptr, notice, notice, 0), 7);
        EXPECT_EQ (windowProductId, productId);
        EXPECT_EQ (prompts.ofKind ("okCancel").size(), shownBefore + (notice ? 1 : 0)) << "the notice only when asked for";
    }

    EXPECT_TRUE (prompts.ofKind ("choice").empty());
}

TEST_F (UpgraderEntry, TheGuardComesDownWhenTheUpgraderThrows)
{
    prompts.dialogAnswer = [] (juce::Component&, const juce::String&) -> int { throw Thrown(); };

    EXPECT_THROW (openFirmwareUpgrader (94, nullptr, true, true, 0), Thrown);
    EXPECT_FALSE (upgraderOpen) << "the upgrader can be opened again";

    watchTheWindow();
    EXPECT_EQ (openFirmwareUpgrader (4130, nullptr, true, true, 0), 7);
}

//==============================================================================
using UpgraderFromTheEditor = sim::EditorFixture;

TEST_F (UpgraderFromTheEditor, DecliningTheNoticeGivesTheKeyboardBackToTheEditor)
{
    sim::SimulatedKeyboard keyboard (ports);
    tick();
    ASSERT_TRUE (NsDravel::deviceConnected);

    sim::ScriptedPrompts prompts;
    prompts.okCancelAnswers = { false };
    click (editor->firmwareUpgradeButton);

    ASSERT_EQ (prompts.ofKind ("okCancel").size(), 1u);
    EXPECT_TRUE (prompts.ofKind ("dialog").empty());
    EXPECT_FALSE (upgraderOpen);

    tick();
    EXPECT_TRUE (NsDravel::deviceConnected);
    EXPECT_EQ (ports.openOutputsNow (keyboard.secondOutputName()), 1);
}

//==============================================================================
namespace
{
    /** Runs the action on the message thread every few milliseconds until it
        reports that it found what it was looking for (or gives up after a
        generous while, so that a fault fails the test instead of hanging it). */
    void whenShown (std::function<bool()> action, int triesLeft = 1000)
    {
        juce::Timer::callAfterDelay (10, [action = std::move (action), triesLeft]() mutable
        {
            if (! action() && triesLeft > 0)
                whenShown (std::move (action), triesLeft - 1);
        });
    }

    template <typename WindowType>
    WindowType* findWindow (const juce::String& title)
    {
        auto& desktop = juce::Desktop::getInstance();

        for (int i = 0; i < desktop.getNumComponents(); ++i)
            if (auto* window = dynamic_cast<WindowType*> (desktop.getComponent (i)); window != nullptr && window->getName() == title)
                return window;

        return nullptr;
    }
}

TEST (UpgraderEntryOnScreen, TheGroupChoiceAndTheUpgradeDialogAreTheProgramsOwnWindows)
{
    resetUpgraderState();
    sim::SimulatedMidiPorts ports;
    ports.setRealPauses (false);
    int productInDialog = 0;

    whenShown ([&]
    {
        auto* choice = findWindow<juce::AlertWindow> ("Select Product to Upgrade");

        if (choice == nullptr)
            return false;

        for (auto* child : choice->getChildren())
            if (auto* button = dynamic_cast<juce::TextButton*> (child); button != nullptr && button->getButtonText() == "R7-X3")
                button->triggerClick();

        whenShown ([&]
        {
            auto* dialog = findWindow<juce::DialogWindow> ("Firmware Upgrade");

            if (dialog == nullptr)
                return false;

            if (auto* window = dynamic_cast<FirmwareUpgradeComponent*> (dialog->getContentComponent()))
                productInDialog = window->requestedProductId;

            dialog->closeButtonPressed();
            return true;
        });

        return true;
    });

    EXPECT_EQ (openFirmwareUpgrader (2070, nullptr, false, true, 0), 0) << "closed, not confirmed";
    EXPECT_EQ (productInDialog, 2068);
    EXPECT_FALSE (upgraderOpen);
    resetUpgraderState();
}

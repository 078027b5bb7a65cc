#include <gtest/gtest.h>

#include "support/EditorFixture.h"
#include "support/UpgraderFixture.h"

#include "firmware/window/FirmwareUpgradeComponent.h"
#include "firmware/window/UpgraderEntry.h"

#include <stdexcept>

using namespace halvik;

using UpgraderEntry = sim::UpgraderFixture;

TEST_F (UpgraderEntry, TheNoticeAndForAGroupTheChoiceOfItsMemberComeFirstAndOnlyTheirOkOpensTheDialog)
{
    struct Row { int productId; bool notice; bool ok; int choice; int windowFor; std::vector<std::string> shown; };

    const std::string notice ("okCancel: Firmware Upgrader about to start"), dialog ("dialog: Firmware Upgrade"),
                      choice ("choice: Select Product to Upgrade");

    const Row rows[] {
        { 4130, true,  true,  0, 4130, { notice, dialog } },
        { 4130, true,  false, 0, -1,   { notice } },
        { 2057, true,  true,  0, 2057, { notice, dialog } },          // next to a group, but no member of it
        { 94,   false, true,  0, 94,   { dialog } },
        { 2070, true,  true,  2, 2067, { notice, choice, dialog } },  // the third button
        { 2070, true,  true,  0, -1,   { notice, choice } },          // "CANCEL"
        { 2070, true,  true,  -1, -1,  { notice, choice } },          // no button's value
        { 2070, true,  true,  9, -1,   { notice, choice } },
    };

    for (auto& row : rows)
    {
        prompts.shown.clear();
        prompts.okCancelAnswers = { row.ok };
        prompts.choiceAnswers = { row.choice };
        int windowProductId = -1;
        bool guardWhileOpen = false;
        juce::Component parent;

        // The upgrade dialog notes the product its window was opened for and whether the entry's guard was up meanwhile.
        prompts.dialogAnswer = [&] (juce::Component& content, const juce::String&)
        {
            windowProductId = dynamic_cast<FirmwareUpgradeComponent&> (content).requestedProductId;
            guardWhileOpen = upgraderOpen;
            return 7;
        };

        EXPECT_EQ (openFirmwareUpgrader (row.productId, &parent, row.notice, true, 0), row.windowFor > 0 ? 7 : 0) << row.productId;

        std::vector<std::string> shown;
        for (auto& entry : prompts.shown)
            shown.push_back ((entry.kind + ": " + entry.title).toStdString());

        EXPECT_EQ (shown, row.shown) << row.productId;
        EXPECT_EQ (windowProductId, row.windowFor) << row.productId << " " << row.choice;
        EXPECT_EQ (guardWhileOpen, row.windowFor > 0) << "the guard is up while the dialog runs";
        EXPECT_FALSE (upgraderOpen) << "and down afterwards";

        if (row.productId == 2070 && prompts.shown.size() > 1)
            EXPECT_EQ (prompts.shown[1].buttons, juce::StringArray ({ "R7-X1", "R7-X2", "R7-X3", "R7-X4", "*R7-X5", "R7-X6", "R7-X7", "CANCEL" }));
    }
}

TEST_F (UpgraderEntry, TheGuardRefusesACallFromInsideTheUpgraderAndComesDownEvenWhenItThrows)
{
    int nestedResult = -1;
    size_t shownBeforeNestedCall = 0;

    prompts.dialogAnswer = [&] (juce::Component&, const juce::String&) -> int
    {
        shownBeforeNestedCall = prompts.shown.size();
        nestedResult = openFirmwareUpgrader (4130, nullptr, true, true, 0);
        throw std::runtime_error ("thrown by a test");
    };

    EXPECT_THROW (openFirmwareUpgrader (94, nullptr, true, true, 0), std::runtime_error);
    EXPECT_EQ (nestedResult, 0);
    EXPECT_EQ (prompts.shown.size(), shownBeforeNestedCall) << "the nested call showed nothing";
    EXPECT_FALSE (upgraderOpen) << "the upgrader can be opened again";

    prompts.dialogAnswer = [] (juce::Component&, const juce::String&) { return 7; };
    EXPECT_EQ (openFirmwareUpgrader (4130, nullptr, true, true, 0), 7);
}

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

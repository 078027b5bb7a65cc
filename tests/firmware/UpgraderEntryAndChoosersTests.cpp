#include <gtest/gtest.h>

#include "support/UpgraderFixture.h"

#include "firmware/list/FirmwareList.h"
#include "firmware/window/DeviceSelectComponent.h"
#include "firmware/window/FirmwareSelectComponent.h"
#include "firmware/window/UpgraderEntry.h"

#include <stdexcept>

using namespace halvik;

// How the upgrader is entered, and the device and firmware choosers it shows.

namespace
{
    using UpgraderEntry = sim::UpgraderFixture;
    using Choosers = sim::UpgraderFixture;

    juce::StringArray itemsOf (juce::ComboBox& combo)
    {
        juce::StringArray items;

        for (int i = 0; i < combo.getNumItems(); ++i)
            items.add (combo.getItemText (i));

        return items;
    }
}

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
        { 2070, true,  true,  8, -1,   { notice, choice } },          // a value past the last member's
        { 2075, true,  true,  7, 2078, { notice, choice, dialog } },  // the other group's last member
    };

    for (auto& row : rows)
    {
        prompts.shown.clear();
        prompts.okCancelAnswers = { row.ok };
        prompts.choiceAnswers = { row.choice };
        int windowProductId = -1;
        bool guardWhileOpen = false;
        juce::Component parent;

        // The upgrade dialog notes the product its window was opened for and whether the entry's guard was up
        // meanwhile.
        prompts.dialogAnswer = [&] (juce::Component& content, const juce::String&)
        {
            windowProductId = dynamic_cast<FirmwareUpgradeComponent&> (content).requestedProductId;
            guardWhileOpen = upgraderOpen;
            return 7;
        };

        EXPECT_EQ (openFirmwareUpgrader (row.productId, &parent, row.notice, true, 0), row.windowFor > 0 ? 7 : 0)
            << row.productId;

        std::vector<std::string> shown;
        for (auto& entry : prompts.shown)
            shown.push_back ((entry.kind + ": " + entry.title).toStdString());

        EXPECT_EQ (shown, row.shown) << row.productId;
        EXPECT_EQ (windowProductId, row.windowFor) << row.productId << " " << row.choice;
        EXPECT_EQ (guardWhileOpen, row.windowFor > 0) << "the guard is up while the dialog runs";
        EXPECT_FALSE (upgraderOpen) << "and down afterwards";

        const juce::StringArray rSeven { "R7-X1", "R7-X2", "R7-X3", "R7-X4", "*R7-X5", "R7-X6", "R7-X7", "CANCEL" };

        if (row.productId == 2070 && prompts.shown.size() > 1)
            EXPECT_EQ (prompts.shown[1].buttons, rSeven);
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

//==============================================================================
// The device and firmware choosers, each in the program's own dialog with a
// user who confirms or picks (sim::ChooserUser). ALSA lists its loopback port
// first; it is no device.
TEST_F (Choosers, TheDeviceChooserPreselectsTheUnitAndConfirmsItByItselfWhenAutoAdvancingOrWarnsOnceAndWaits)
{
    struct Row { juce::StringArray ports; bool autoAdvancing; const char* chosen; bool warns; };

    const juce::StringArray keyboard { "Midi Through Port-0", "Sorra2 MIDI 1", "Dravel 49 MIDI 1", "Dravel 49 MIDI 2" };
    const Row rows[] {
        { keyboard, true,  "Dravel 49 MIDI 1", false },
        { keyboard, false, "Dravel 49 MIDI 1", false },
        { { "Midi Through Port-0", "Sorra2 MIDI 1", "Microsoft GS Wavetable Synth", "Dravel 61 MIDI 1" },
          true, "Sorra2 MIDI 1", true },
    };

    for (auto& row : rows)
    {
        sim::NamedPorts plugged (row.ports);
        prompts.shown.clear();
        autoAdvance = row.autoAdvancing;

        DeviceSelectComponent chooser (4130, {});
        const auto warnings = row.warns ? juce::StringArray ("Warning: Cannot find target unit!") : juce::StringArray();
        EXPECT_EQ (prompts.messages(), warnings);
        EXPECT_EQ (chooser.getChosenName(), row.chosen);
        const auto offered = itemsOf (chooser.getDeviceList());
        EXPECT_FALSE (offered.contains ("Microsoft GS Wavetable Synth")) << offered.joinIntoString (", ");
        EXPECT_FALSE (offered.contains ("Midi Through Port-0")) << offered.joinIntoString (", ");
        EXPECT_EQ (plugged.getPorts().totalPauseMicroseconds(), row.warns ? 3 * 150000.0 : 0.0)
            << "three looks 150 ms apart, or found at once";

        // Where the user finds the list and the buttons.
        EXPECT_EQ (chooser.getDeviceList().getBounds(), juce::Rectangle<int> (8, 76, 284, 24));
        EXPECT_EQ (chooser.getOkButton().getBounds(), juce::Rectangle<int> (90, 160, 100, 30));
        EXPECT_EQ (chooser.getCancelButton().getBounds(), juce::Rectangle<int> (190, 160, 100, 30));

        sim::ChooserUser user;
        EXPECT_EQ (user (chooser), 1);
        EXPECT_EQ (user.waits, row.warns || ! row.autoAdvancing ? 1 : 0) << row.chosen;
    }

    // While the tool is probed for, OK takes any port but the system's, even one whose name tells no device.
    sim::NamedPorts bareName ({ "Dravel 49" });
    autoAdvance = false;
    DeviceSelectComponent chooser (4130, {});

    toolProbeMode = true;
    EXPECT_EQ (sim::ChooserUser {} (chooser), 1);
    toolProbeMode = false;
    EXPECT_EQ (sim::ChooserUser {} (chooser), 0);
}

TEST_F (Choosers, AUnitInUpgradeModeIsOfferedUnderTheNameBehindItsPortAndNoOtherPortIsTakenForIt)
{
    for (auto* upgradePort : { "Halvik firmware upgrade", "Halvik firmware upgrade MIDI 1" })
    {
        sim::NamedPorts plugged ({ "Dravel 49 MIDI 1", upgradePort });

        DeviceSelectComponent chooser (94, "Halvik firmware upgrade");
        EXPECT_EQ (chooser.getChosenName(), "Halvik firmware upgrade manager") << upgradePort;

        // OK on the keyboard's port is refused; on the unit's it is taken.
        EXPECT_EQ (sim::ChooserUser { 0 } (chooser), 0) << upgradePort;
        EXPECT_EQ (sim::ChooserUser { 1 } (chooser), 1) << upgradePort;
        EXPECT_EQ (chooser.getChosenName(), "Halvik firmware upgrade manager") << upgradePort;
    }

    EXPECT_TRUE (prompts.messages().isEmpty());

    // Two units in upgrade mode are not taken for the one.
    sim::NamedPorts twoUnits (ports, { "Halvik firmware upgrade MIDI 1", "Halvik firmware upgrade MIDI 2" });
    DeviceSelectComponent chooser (94, "Halvik firmware upgrade");
    EXPECT_EQ (prompts.messages(), juce::StringArray ("Warning: Cannot find target unit!"));
}

TEST_F (Choosers, TheFirmwareChooserListsNameAndVersionAndKeepsTheEntryTakenWithOkOrByItselfButNoneNamingMicrosoft)
{
    struct Row { const char* first; int preselected; bool autoAdvancing; int waits; const char* taken; };

    for (auto row : { Row { "A", 1, false, 1, "files/fw2.bin" }, Row { "A", 1, true, 0, "files/fw2.bin" },
                      Row { "Microsoft GS", 0, false, 1, nullptr } })
    {
        autoAdvance = row.autoAdvancing;
        juce::ValueTree list ("firmwares");
        int n = 0;

        for (auto [name, version] : { std::pair { row.first, "1.0" }, { "Tonvik 49", "1.05" }, { "B", "2.3" } })
        {
            const auto fw = "files/fw" + juce::String (++n) + ".bin";
            list.appendChild (juce::ValueTree ("firmware", { { "pid", 94 }, { "name", name }, { "version", version },
                                                             { "fw", fw } }), nullptr);
        }

        FirmwareSelectComponent chooser (list, row.preselected);
        const auto items = itemsOf (chooser.getFirmwareList());
        EXPECT_EQ (items, juce::StringArray (row.first + juce::String (" V1.0"), "Tonvik 49 V1.05", "B V2.3"));
        EXPECT_EQ (chooser.getFirmwareList().getText(), items[row.preselected]) << "the given entry preselected";
        EXPECT_TRUE (chooser.getSelectedFirmwareUrl().isEmpty()) << "nothing taken before OK";

        // Where the user finds the list and the buttons.
        EXPECT_EQ (chooser.getFirmwareList().getBounds(), juce::Rectangle<int> (24, 68, 252, 24));
        EXPECT_EQ (chooser.getOkButton().getBounds(), juce::Rectangle<int> (25, 148, 100, 24));
        EXPECT_EQ (chooser.getCancelButton().getBounds(), juce::Rectangle<int> (175, 148, 100, 24));

        sim::ChooserUser user;
        EXPECT_EQ (user (chooser), row.taken != nullptr ? 1 : 0) << row.first;
        EXPECT_EQ (user.waits, row.waits) << row.first;

        // The entry stays whatever becomes of the list once the dialog is gone.
        chooser.getFirmwareList().clear (juce::dontSendNotification);
        const auto takenUrl = row.taken != nullptr ? getFirmwareServerBase().toString (false) + row.taken
                                                   : juce::String();
        EXPECT_EQ (chooser.getSelectedFirmwareUrl().toString (false), takenUrl) << row.first;
    }
}

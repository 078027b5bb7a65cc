#include <gtest/gtest.h>

#include "support/UpgraderFixture.h"

#include "firmware/list/FirmwareList.h"
#include "firmware/window/DeviceSelectComponent.h"
#include "firmware/window/FirmwareSelectComponent.h"

using namespace halvik;

// The device and firmware choosers, each in the program's own dialog with a
// user who confirms or picks (sim::ChooserUser). ALSA lists its loopback port
// first; it is no device.

namespace
{
    using Choosers = sim::UpgraderFixture;

    juce::StringArray itemsOf (juce::ComboBox& combo)
    {
        juce::StringArray items;

        for (int i = 0; i < combo.getNumItems(); ++i)
            items.add (combo.getItemText (i));

        return items;
    }
}

TEST_F (Choosers, TheDeviceChooserPreselectsTheUnitAndConfirmsItByItselfWhenAutoAdvancingOrWarnsOnceAndWaits)
{
    struct Row { juce::StringArray ports; bool autoAdvancing; const char* chosen; bool warns; };

    const juce::StringArray keyboard { "Midi Through Port-0", "Sorra2 MIDI 1", "Dravel 49 MIDI 1", "Dravel 49 MIDI 2" };
    const Row rows[] {
        { keyboard, true,  "Dravel 49 MIDI 1", false },
        { keyboard, false, "Dravel 49 MIDI 1", false },
        { { "Midi Through Port-0", "Sorra2 MIDI 1", "Microsoft GS Wavetable Synth", "Dravel 61 MIDI 1" }, true, "Sorra2 MIDI 1", true },
    };

    for (auto& row : rows)
    {
        sim::NamedPorts plugged (row.ports);
        prompts.shown.clear();
        autoAdvance = row.autoAdvancing;

        DeviceSelectComponent chooser (4130, {});
        EXPECT_EQ (prompts.messages(), row.warns ? juce::StringArray ("Warning: Cannot find target unit!") : juce::StringArray());
        EXPECT_EQ (chooser.getChosenName(), row.chosen);
        const auto offered = itemsOf (chooser.getDeviceList());
        EXPECT_FALSE (offered.contains ("Microsoft GS Wavetable Synth") || offered.contains ("Midi Through Port-0")) << offered.joinIntoString (", ");
        EXPECT_EQ (plugged.getPorts().totalPauseMicroseconds(), row.warns ? 3 * 150000.0 : 0.0) << "three looks 150 ms apart, or found at once";

        sim::ChooserUser user;
        EXPECT_EQ (user (chooser), 1);
        EXPECT_EQ (user.waits, row.warns || ! row.autoAdvancing ? 1 : 0) << row.chosen;
    }
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
            list.appendChild (juce::ValueTree ("firmware", { { "pid", 94 }, { "name", name }, { "version", version },
                                                             { "fw", "files/fw" + juce::String (++n) + ".bin" } }), nullptr);

        FirmwareSelectComponent chooser (list, row.preselected);
        const auto items = itemsOf (chooser.getFirmwareList());
        EXPECT_EQ (items, juce::StringArray (row.first + juce::String (" V1.0"), "Tonvik 49 V1.05", "B V2.3"));
        EXPECT_EQ (chooser.getFirmwareList().getText(), items[row.preselected]) << "the given entry preselected";
        EXPECT_TRUE (chooser.getSelectedFirmwareUrl().isEmpty()) << "nothing taken before OK";

        sim::ChooserUser user;
        EXPECT_EQ (user (chooser), row.taken != nullptr ? 1 : 0) << row.first;
        EXPECT_EQ (user.waits, row.waits) << row.first;

        // The entry stays whatever becomes of the list once the dialog is gone.
        chooser.getFirmwareList().clear (juce::dontSendNotification);
        EXPECT_EQ (chooser.getSelectedFirmwareUrl().toString (false),
                   row.taken != nullptr ? getFirmwareServerBase().toString (false) + row.taken : juce::String()) << row.first;
    }
}

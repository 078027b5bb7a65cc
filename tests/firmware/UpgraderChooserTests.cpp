#include <gtest/gtest.h>

#include "support/NamedPorts.h"
#include "support/UpgraderFixture.h"

#include "firmware/list/FirmwareList.h"
#include "firmware/window/DeviceSelectComponent.h"
#include "firmware/window/FirmwareSelectComponent.h"
#include "firmware/window/UpgraderDialogWindow.h"

#include <functional>

using namespace halvik;

namespace
{
    struct Choosers : sim::UpgraderFixture
    {
        /** Runs the chooser in the program's own dialog; whileOpen runs once
            the dialog is up (after anything the chooser itself queued). */
        static int runInDialog (juce::Component& chooser, std::function<void()> whileOpen = {})
        {
            if (whileOpen != nullptr)
                juce::MessageManager::callAsync (std::move (whileOpen));

            return UpgraderDialogWindow::runModal (chooser, "Choose Your Halvik Device", nullptr, true);
        }

        /** Runs the chooser in its dialog and clicks its OK button if it waits
            for the user; returns whether it waited. */
        static bool waitedForOk (juce::Component& chooser, juce::Button& okButton)
        {
            bool waited = false;

            EXPECT_EQ (runInDialog (chooser, [&]
            {
                waited = isInOpenDialog (chooser);

                if (waited)
                    okButton.triggerClick();
            }), 1);

            return waited;
        }

        static bool isInOpenDialog (juce::Component& chooser)
        {
            auto* dialog = chooser.findParentComponentOfClass<juce::DialogWindow>();
            return dialog != nullptr && dialog->isCurrentlyModal();
        }

        static juce::StringArray itemsOf (juce::ComboBox& combo)
        {
            juce::StringArray items;

            for (int i = 0; i < combo.getNumItems(); ++i)
                items.add (combo.getItemText (i));

            return items;
        }

        static juce::ValueTree firmwareList (std::initializer_list<std::pair<const char*, const char*>> entries)
        {
            juce::ValueTree list ("firmwares");
            int n = 0;

            for (auto& [name, version] : entries)
                list.appendChild (juce::ValueTree ("firmware", { { "pid", 94 }, { "name", name }, { "version", version },
                                                                  { "fw", "files/fw" + juce::String (++n) + ".bin" } }),
                                  nullptr);

            return list;
        }
    };
}

TEST_F (Choosers, TheDeviceChooserPreselectsTheUnitAndConfirmsItByItselfWhenAutoAdvancingOrWarnsOnceAndWaits)
{
    struct Row { juce::StringArray ports; bool autoAdvancing; const char* chosen; bool warns; };

    const juce::StringArray keyboard { "Sorra2 MIDI 1", "Dravel 49 MIDI 1", "Dravel 49 MIDI 2" };
    const Row rows[] {
        { keyboard, true,  "Dravel 49 MIDI 1", false },
        { keyboard, false, "Dravel 49 MIDI 1", false },
        { { "Sorra2 MIDI 1", "Microsoft GS Wavetable Synth", "Dravel 61 MIDI 1" }, true, "Sorra2 MIDI 1", true },
    };

    for (auto& row : rows)
    {
        sim::NamedPorts plugged (row.ports);
        prompts.shown.clear();
        autoAdvance = row.autoAdvancing;

        DeviceSelectComponent chooser (4130, {});
        EXPECT_EQ (prompts.messages(), row.warns ? juce::StringArray ("Warning: Cannot find target unit!") : juce::StringArray());
        EXPECT_EQ (chooser.getChosenName(), row.chosen);
        EXPECT_FALSE (itemsOf (chooser.getDeviceList()).contains ("Microsoft GS Wavetable Synth"));
        EXPECT_EQ (plugged.getPorts().totalPauseMicroseconds(), row.warns ? 3 * 150000.0 : 0.0) << "three looks 150 ms apart, or found at once";

        EXPECT_EQ (waitedForOk (chooser, chooser.getOkButton()), row.warns || ! row.autoAdvancing) << row.chosen;
    }
}

TEST_F (Choosers, AUnitInUpgradeModeIsOfferedUnderTheNameBehindItsPortAndNoOtherPortIsTakenForIt)
{
    for (auto* upgradePort : { "Halvik firmware upgrade", "Halvik firmware upgrade MIDI 1" })
    {
        sim::NamedPorts plugged ({ "Dravel 49 MIDI 1", upgradePort });

        DeviceSelectComponent chooser (94, "Halvik firmware upgrade");
        EXPECT_EQ (chooser.getChosenName(), "Halvik firmware upgrade manager") << upgradePort;
        bool refused = false;

        // OK on the keyboard's port is refused; on the unit's it is taken.
        EXPECT_EQ (runInDialog (chooser, [&]
        {
            chooser.getDeviceList().setSelectedItemIndex (0, juce::sendNotificationSync);
            chooser.getOkButton().triggerClick();

            juce::MessageManager::callAsync ([&]
            {
                refused = isInOpenDialog (chooser) && ! chooser.wasConfirmed();
                chooser.getDeviceList().setSelectedItemIndex (1, juce::sendNotificationSync);
                chooser.getOkButton().triggerClick();
            });
        }), 1) << upgradePort;

        EXPECT_TRUE (refused) << upgradePort;
        EXPECT_EQ (chooser.getChosenName(), "Halvik firmware upgrade manager") << upgradePort;
    }

    EXPECT_TRUE (prompts.messages().isEmpty());

    // Two units in upgrade mode are not taken for the one.
    sim::NamedPorts twoUnits (ports, { "Halvik firmware upgrade MIDI 1", "Halvik firmware upgrade MIDI 2" });
    DeviceSelectComponent chooser (94, "Halvik firmware upgrade");
    EXPECT_EQ (prompts.messages(), juce::StringArray ("Warning: Cannot find target unit!"));
}

TEST_F (Choosers, TheFirmwareChooserListsNameAndVersionAndKeepsTheEntryTakenWithOkOrByItselfWhenAutoAdvancing)
{
    for (bool autoAdvancing : { false, true })
    {
        autoAdvance = autoAdvancing;
        FirmwareSelectComponent chooser (firmwareList ({ { "A", "1.0" }, { "Tonvik 49", "1.05" }, { "B", "2.3" } }), 1);

        EXPECT_EQ (itemsOf (chooser.getFirmwareList()), juce::StringArray ("A V1.0", "Tonvik 49 V1.05", "B V2.3"));
        EXPECT_EQ (chooser.getFirmwareList().getText(), "Tonvik 49 V1.05") << "the given entry preselected";
        EXPECT_TRUE (chooser.getSelectedFirmwareUrl().isEmpty()) << "nothing taken before OK";

        EXPECT_EQ (waitedForOk (chooser, chooser.getOkButton()), ! autoAdvancing);

        // The entry stays whatever becomes of the list once the dialog is gone.
        chooser.getFirmwareList().clear (juce::dontSendNotification);
        EXPECT_EQ (chooser.getConfirmedIndex(), 1);
        EXPECT_EQ (chooser.getSelectedFirmwareUrl().toString (false), getFirmwareServerBase().toString (false) + "files/fw2.bin");
    }
}

TEST_F (Choosers, AnEntryNamingMicrosoftCannotBeTaken)
{
    FirmwareSelectComponent chooser (firmwareList ({ { "Microsoft GS", "1.0" }, { "B", "2.3" } }), 0);
    bool refused = false;

    EXPECT_EQ (runInDialog (chooser, [&]
    {
        chooser.getOkButton().triggerClick();
        juce::MessageManager::callAsync ([&]
        {
            refused = isInOpenDialog (chooser);
            chooser.getCancelButton().triggerClick();
        });
    }), 0);

    EXPECT_TRUE (refused);
    EXPECT_TRUE (chooser.getSelectedFirmwareUrl().isEmpty());
}

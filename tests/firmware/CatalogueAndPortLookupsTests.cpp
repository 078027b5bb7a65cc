#include <gtest/gtest.h>

#include "support/UpgraderFixture.h"

#include "firmware/catalogue/FirmwareFileNames.h"
#include "firmware/catalogue/PortNameTable.h"
#include "firmware/catalogue/ProductCatalogue.h"
#include "firmware/midi/UpgraderPortLookups.h"

using namespace halvik;

// The product catalogue (the products that port names and firmware file names
// stand for) and the upgrader's look-ups in the system's port lists.

namespace
{
    using PortNameTable = sim::UpgraderFixture;
    using UpgraderPortLookups = sim::UpgraderFixture;

    /** One keyboard, the system's own ports and a unit in upgrade mode; the
        keyboard's first port is listed twice, as twins are. */
    const juce::StringArray outputs { "Midi Through Port-0", "Dravel 49 MIDI 1", "Dravel 49 MIDI 2",
                                      "Microsoft GS Wavetable Synth", "Halvik firmware upgrade MIDI 1",
                                      "Dravel 49 MIDI 1", " " },
                            inputs { "Dravel 49 MIDI 1", "Dravel 49 MIDI 2", "Halvik firmware upgrade MIDI 1" };
}

TEST_F (PortNameTable, PortsNamedAfterAProductAreThatProductInEitherList)
{
    for (int alternate : { 0, 1, 2 })
    {
        alternateModelNames = alternate;

        for (int id = -10; id <= 5000; ++id)
        {
            // 110 has no port pattern; the air models are known to the alternate list alone
            const auto name = getProductModelName (id);

            if (name != "Unknown" && (alternate == 1 || (id != 110 && id != 186 && id != 2052)))
                EXPECT_EQ (getProductIdFromPortName (name), id) << name;

            // A window opened for one of the editions that the alternate list names switches to that list.
            if (alternate == 1)
                EXPECT_EQ (usesAlternateModelNames (id), name != "Unknown") << id;
        }
    }
}

TEST_F (PortNameTable, OddNamesAreReadByTheFirstPatternOfTheListInUse)
{
    struct Row { const char* name; int alternate; int id; };

    const Row rows[] {
        // Case, blanks and the system's port decorations do not matter.
        { "  DRAVEL 61  ", 0, 4131 }, { "Dravel 61X MIDI 2", 0, 4136 }, { "Dravel-88", 0, 4132 },
        { "Dravel_25", 0, 4128 }, { "MIDIOUT2 (Dravel 49X)", 0, 4135 },
        // One character between the word and the size, no more and no less.
        { "Dravel88", 0, 2000 }, { "Dravel  88", 0, 2000 }, { "", 0, 2000 }, { "Some Synth", 0, 2000 },
        // The first matching pattern decides, even when it means no product.
        { "R7-X9", 0, 2000 }, { "W4-X9", 0, 2058 }, { "w4 x1", 0, 2000 }, { "Mixora C4 G2", 0, 2000 },
        { "Strima 2 RX", 0, 2000 }, { "Emitra 2 Pro", 0, 2049 }, { "Tonvik 3S PX", 0, 133 }, { "Ton Vik 3", 0, 101 },
        { "Qenta 32 Pro", 0, 2000 },
        // The alternate list alone is tried when it is switched on (1; any other value is the standard list).
        { "Dravel 25", 1, 2000 }, { "R7-X1", 1, 2000 }, { "", 1, 2000 }, { "Dravel 25", 2, 4128 },
    };

    for (auto& row : rows)
    {
        alternateModelNames = row.alternate;
        EXPECT_EQ (getProductIdFromPortName (row.name), row.id) << '"' << row.name << "\" alternate " << row.alternate;
    }

    // The editions of the alternate list are no product of the standard one.
    for (int id : { 157, 158, 171, 186, 187, 2050, 2052 })
    {
        alternateModelNames = 1;
        const auto name = getProductModelName (id);
        alternateModelNames = 0;
        EXPECT_EQ (getProductIdFromPortName (name), 2000) << name;
    }
}

TEST (FirmwareFileNames, EachProductTakesItsOwnImagesAndRefusesOthers)
{
    const struct { const char* name; int product; bool accepted; } rows[] =
    {
        // Dravel: a plain model also takes its X image, an X model only X images.
        { "DRAVEL_49X_V1.02", 4135, true }, { "DRAVEL_49X_V1.02", 4130, true }, { "dravel_49_v1.02", 4130, true },
        { "dravel_49_v1.02", 4135, false }, { "dravel", 4130, false },

        // One image for a whole group of controllers.
        { "r7_x_v2.01", 2070, true }, { "r7_x_v2.01", 2055, false }, { "w4_x_v2.01", 2078, true },
        { "w4_x_v2.01", 2072, false }, { "w4_x1_v2.01", 2073, false },

        // "Tessa2Nano S" with or without separators between its parts.
        { "tessa2 nano-s_v1.10", 4127, true }, { "tessa_2_nano_s v1.10", 4127, true }, { "tessa2nanos", 4127, true },
        { "tessa2 nano m_v1.10", 4127, false },

        // A model whose name begins another's does not take the other's image.
        { "mixora_c4_pro_v1.20", 130, true }, { "mixora_c4_pro_v1.20", 94, false }, { "mixora_c4_v1.10", 94, true },
        { "tonvik_3_v1.2", 101, false }, { "tonvik_3s_v1.02", 101, false }, { "tonvik_3s_v1.02", 111, true },
        { "tonvik_3s_torqen_iii_v1.02", 133, true }, { "tonvik_3s_v1.02", 133, false },

        // Products without patterns take any file.
        { "anything", 2000, true }, { "", 157, true },
    };

    for (auto& row : rows)
        EXPECT_EQ (firmwareFileMatchesProduct (row.name, row.product), row.accepted)
            << row.name << " for " << row.product;
}

TEST (ProductCatalogue, EachProductIsUpgradedTheWayOfItsFamilyUpToTheEdgesOfItsRange)
{
    // 2: over MIDI, 3: with the USB tool, 4: as a keyboard.
    const struct { int productId; int method; } rows[] =
    {
        { 2053, 2 }, { 2054, 3 }, { 2058, 3 }, { 2059, 2 }, { 2066, 2 }, { 2067, 3 }, { 2078, 3 }, { 2079, 2 },
        { 4127, 2 }, { 4128, 4 }, { 4137, 4 }, { 4138, 2 }, { 2000, 2 }, { 94, 2 },
    };

    for (auto& row : rows)
    {
        EXPECT_EQ (getFlashMethod (row.productId), row.method) << row.productId;
        EXPECT_EQ (usesBootloaderTool (row.productId), row.method == flashMethodUsbTool) << row.productId;
    }
}

TEST_F (UpgraderPortLookups, OnlyTheExactUpgradeTextMarksAnUpgradePortUnlessTheToolIsProbedByHand)
{
    struct Row { const char* name; bool probing; bool autoAdvancing; bool expected; };

    const Row rows[] {
        { "Halvik firmware upgrade",          false, false, true  },
        { "Halvik firmware upgrade manager",  false, false, true  },
        { "Halvik firmware upgrade MIDI 1",   false, false, true  },
        { "halvik firmware upgrade",          false, false, false },
        { "HALVIK Midi 2",                    false, false, false },
        { "HALVIK Midi 2",                    true,  false, true  },
        { "  halvik usb midi  ",              true,  false, true  },
        { "HALVIK Midi 2",                    true,  true,  false },
        { "Dravel 49",                        true,  false, false },
    };

    for (auto& row : rows)
    {
        toolProbeMode = row.probing;
        autoAdvance = row.autoAdvancing;
        EXPECT_EQ (isUpgradePortName (row.name), row.expected)
            << row.name << " probing " << row.probing << " auto " << row.autoAdvancing;
        EXPECT_EQ (isUsableDevicePortName (row.name, false, true, true), row.expected) << "unfiltered: " << row.name;
    }

    EXPECT_TRUE (isUpgradePortNameExact ("2- Halvik firmware upgrade"));
    EXPECT_FALSE (isUpgradePortNameExact ("HALVIK FIRMWARE UPGRADE"));
}

TEST_F (UpgraderPortLookups, ListsHoldEachUsableNameOnce)
{
    sim::NamedPorts plugged (outputs, inputs);
    toolFamilyActive = false;

    // Neither the system's own ports nor, unless the tool family may use it, the keyboard's further port.
    const juce::StringArray allButTheSystems { "Dravel 49 MIDI 1", "Dravel 49 MIDI 2",
                                               "Halvik firmware upgrade MIDI 1" };
    EXPECT_EQ (listMidiDevices (true, true, true), allButTheSystems);
    EXPECT_EQ (listMidiDevicesNoAliases (true, false), allButTheSystems);
    EXPECT_EQ (listMidiDevices (true, false, true), juce::StringArray ("Halvik firmware upgrade MIDI 1"));
    // The strict filter keeps device names alone.
    EXPECT_EQ (listMidiDevicesNoAliases (true, true), juce::StringArray ("Dravel 49 MIDI 1"));
    EXPECT_EQ (listMidiDevicesForDisplay (false, true, true),
               juce::StringArray ("Dravel 49 MIDI 1", "Dravel 49 MIDI 2", "Halvik firmware upgrade manager"));

    // The display name leads back to the port behind it; other names stay.
    EXPECT_EQ (resolveUpgradePortName ("Halvik firmware upgrade manager"), "Halvik firmware upgrade MIDI 1");
    EXPECT_EQ (resolveUpgradePortName ("Dravel 49 MIDI 2"), "Dravel 49 MIDI 2");

    toolFamilyActive = true;
    EXPECT_TRUE (listMidiDevices (true, true, false).contains ("Dravel 49 MIDI 2"));
}

TEST_F (UpgraderPortLookups, CountsSeeOneUnitPerKeyboardWhateverItsNumberOfPortsAndTwinsAsTwo)
{
    sim::NamedPorts plugged (outputs, inputs);

    // Twins: the first port listed twice; the second port of each is no unit of its own.
    EXPECT_EQ (countProductMidiOutputs (4130), 2);
    EXPECT_EQ (countProductMidiOutputs (4131), 0);
    EXPECT_EQ (getHighestPortNumber (4130), 2);
    EXPECT_EQ (getHighestPortNumber (4131), 0);

    EXPECT_TRUE (isProductPortPresent (4130, true));
    EXPECT_FALSE (isProductPortPresent (4130, false));
    EXPECT_TRUE (isProductPortPresent (4131, false));

    EXPECT_EQ (countTargetOutputs (4130, 16), 3 + 16);
    EXPECT_EQ (countTargetOutputs (4131, 16), 16);
    EXPECT_EQ (countMidiPortsContaining ("HALVIK FIRMWARE", true), 1);
    EXPECT_EQ (countMidiPortsContaining ("dravel", false), 2);

    sim::SimulatedMidiPorts twoKeyboards;
    sim::NamedPorts twoModels (twoKeyboards, { "Dravel 49 MIDI 1", "Dravel 49 MIDI 2", "MIDIOUT2 (Dravel 49)",
                                               "Dravel 49 X MIDI 1", "Dravel 49 X MIDI 2" });
    EXPECT_EQ (countProductMidiOutputs (4130), 2);

    // A unit's upgrade port weighs in whatever the case of its name.
    sim::SimulatedMidiPorts shoutingUnit;
    sim::NamedPorts upgradePort (shoutingUnit, { "Dravel 49 MIDI 1", "HALVIK FIRMWARE UPGRADE MIDI 1" });
    EXPECT_EQ (countTargetOutputs (4130, 16), 1 + 16);
}

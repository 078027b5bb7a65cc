#pragma once

#include <juce_core/juce_core.h>

/** The maker's product ids and the fixed facts the upgrader needs about each:
    display name, upgrade group, flashing method and the model code that goes
    into the enter-upgrade-mode message. Pure lookups; the only state read is
    halvik::alternateModelNames (UpgraderState.h). */
namespace halvik
{
    /** The id that stands for "no product". */
    constexpr int noProductId = 2000;

    /** Flashing methods answered by getFlashMethod. */
    enum FlashMethod
    {
        flashMethodMidiBootloader = 2,  ///< MIDI upgrade mode and bootloader packets
        flashMethodUsbTool        = 3,  ///< the external USB bootloader tool
        flashMethodKeyboard       = 4   ///< the Dravel keyboard family
    };

    /** True for every id except the "no product" id 2000. */
    bool isKnownProduct (int productId);

    /** The id itself when it names a product, otherwise 2000. */
    int getProductIdOrDefault (int productId);

    /** The model's display name from the name table that halvik::alternateModelNames
        selects (1: alternate table, anything else: standard table); "Unknown"
        when that table has no row for the id. */
    juce::String getProductModelName (int productId);

    /** True for the products whose names and port patterns come from the
        alternate tables. */
    bool usesAlternateModelNames (int productId);

    /** The id of the group of models that share one upgrade choice (the id of
        its "X1" model), or 0 when the product belongs to no group. */
    int getProductGroup (int productId);

    /** The ids from 2056 to 2078 whose group is the given one, ascending: the
        seven models of a group for its head 2056 or 2058, nothing for any other
        head. Callers ask only for a group that getProductGroup gave them (never
        0, which would list the ungrouped ids of that span). */
    juce::Array<int> getProductGroupMembers (int groupId);

    /** 2, 3 or 4: see FlashMethod. */
    int getFlashMethod (int productId);

    /** True for the products flashed with the external USB bootloader tool. */
    bool usesBootloaderTool (int productId);

    /** The model code carried by the enter-upgrade-mode message: products that
        share one firmware answer to one code. */
    int getSysExModelCode (int productId);
}

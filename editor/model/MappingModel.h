#pragma once

#include <juce_data_structures/juce_data_structures.h>

/** The mapping model: one "map" tree per DAW control mode, each holding the
    keyboard's seven controls and what they send, gathered under a "modes" tree.
    The bytes the keyboard receives live in the device settings image; factory
    defaults bring the two into step. Message thread only.
*/
namespace NsDravel
{
    /** Tree types and property names of the model. */
    namespace ModelIds
    {
        inline const juce::Identifier modes         { "modes" };
        inline const juce::Identifier current       { "current" };
        inline const juce::Identifier pid           { "pid" };
        inline const juce::Identifier map           { "map" };
        inline const juce::Identifier mode          { "mode" };
        inline const juce::Identifier name          { "name" };
        inline const juce::Identifier controls      { "controls" };
        inline const juce::Identifier control       { "control" };
        inline const juce::Identifier id            { "id" };
        inline const juce::Identifier kind          { "kind" };
        inline const juce::Identifier type          { "type" };
        inline const juce::Identifier chan          { "chan" };
        inline const juce::Identifier value         { "value" };
        inline const juce::Identifier curve         { "curve" };
        inline const juce::Identifier octave        { "octave" };
        inline const juce::Identifier transposition { "transposition" };
        inline const juce::Identifier sustain       { "sustain" };
        inline const juce::Identifier clockwise     { "clockwise" };
    }

    /** Number of controls in a map (control numbers 1..7). */
    constexpr int controlsPerMap = 7;

    /** Product id of the smallest keyboard, the model's start value. */
    constexpr int defaultKeyboardProductId = 0x1020;

    /** Gives a map the "Cubase" mode names and seven fresh controls, each with "id",
        "kind", "type" "note", "chan" 1 and "value" 0; earlier controls are removed. */
    void createDefaultControls (juce::ValueTree& map);

    /** A complete map of a DAW mode with factory settings. Outside DAW mode 5 this
        also puts the factory bytes into the settings image. */
    juce::ValueTree createMapTree (int mode);

    /** The DAW mode of a map, from its "mode" property; a map without one counts as mode 1. */
    int getModeIndexOfMap (const juce::ValueTree& map);

    /** The index-th control of a map; an invalid tree when there is none. */
    juce::ValueTree getControlAt (const juce::ValueTree& map, int index);

    /** The first control of a map with the given "id"; an invalid tree when there is none. */
    juce::ValueTree getControlById (const juce::ValueTree& map, int id);

    /** Restores the factory settings: outside DAW mode 5 the settings image gets the
        factory bytes, then each control's "type", "chan" and "value" (and the keys'
        "octave", the sustain pedal's "sustain") are set from the image, so that the
        model describes exactly the bytes the keyboard will receive. A "curve",
        "transposition" or "clockwise" that a control carries is set from the image
        too (they are not added where absent), and the curve dialog's curve number
        follows the keys' curve. */
    void resetMapToFactoryDefaults (juce::ValueTree& map);

    //==============================================================================
    /**
        The "modes" tree with its maps, the current map and the product id, as the
        device host keeps them.

        Building one gives the start-up state: the maps of modes 0..3 with factory
        settings, "Nuendo" current, and the factory settings image.
    */
    class MappingModel
    {
    public:
        MappingModel();

        /** A complete map of a DAW mode with factory settings (see createMapTree). */
        juce::ValueTree createModeMap (int mode) const;

        /** Fills an empty "modes" tree with the maps of modes 0..3, then makes mode 0 current. */
        void createDefaultModes();

        /** The map of a DAW mode in "modes"; an invalid tree when there is none. */
        juce::ValueTree getModeMap (int mode) const;

        /** Makes a DAW mode's map current and names it in "current". The current map
            becomes invalid when "modes" holds no map of that mode. A number outside
            0..10 changes nothing. */
        void setCurrentMode (int mode);

        /** The current map (shares its data with the map in "modes"). */
        juce::ValueTree getCurrentMap() const            { return currentMap; }

        /** The DAW mode of the current map; 1 when there is no current map. */
        int getCurrentModeIndex() const;

        /** The mode last given to setCurrentMode. */
        int getSelectedModeIndex() const                 { return currentModeIndex; }

        /** Sets the product id of the selected keyboard model and the "pid" of "modes". */
        void setProductId (int id);

        /** The product id of the selected keyboard model. */
        int getProductId() const                         { return productId; }

        /** The "modes" tree (shares its data with the model). */
        juce::ValueTree getModes() const                 { return modes; }

    private:
        juce::ValueTree modes { ModelIds::modes };
        juce::ValueTree currentMap;
        int currentModeIndex = 1;
        int productId = defaultKeyboardProductId;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MappingModel)
    };
}

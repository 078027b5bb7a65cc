#include "editor/model/MappingModel.h"
#include "editor/model/ModelNames.h"
#include "editor/model/DeviceSettingsImage.h"
#include "editor/EditorState.h"

namespace NsDravel
{
    void createDefaultControls (juce::ValueTree& map)
    {
        map.setProperty (ModelIds::mode, getDawModeNames (1), nullptr);
        map.setProperty (ModelIds::name, getDawModeDisplayNames (1), nullptr);

        auto controls = map.getOrCreateChildWithName (ModelIds::controls, nullptr);
        controls.removeAllChildren (nullptr);

        for (int id = 1; id <= controlsPerMap; ++id)
        {
            juce::ValueTree control (ModelIds::control);
            control.setProperty (ModelIds::id, id, nullptr);
            control.setProperty (ModelIds::kind, getControlKindNames (controlKindOf (id)), nullptr);
            control.setProperty (ModelIds::type, getMessageTypeNames (0), nullptr);
            control.setProperty (ModelIds::chan, 1, nullptr);
            control.setProperty (ModelIds::value, 0, nullptr);
            controls.addChild (control, id - 1, nullptr);
        }
    }

    juce::ValueTree createMapTree (int mode)
    {
        juce::ValueTree map (ModelIds::map);
        createDefaultControls (map);
        map.setProperty (ModelIds::mode, getDawModeNames (mode), nullptr);
        map.setProperty (ModelIds::name, getDawModeDisplayNames (mode), nullptr);
        resetMapToFactoryDefaults (map);
        return map;
    }

    int getModeIndexOfMap (const juce::ValueTree& map)
    {
        return parseDawMode (map.getProperty (ModelIds::mode, juce::String()).toString());
    }

    juce::ValueTree getControlAt (const juce::ValueTree& map, int index)
    {
        return map.getChildWithName (ModelIds::controls).getChild (index);
    }

    juce::ValueTree getControlById (const juce::ValueTree& map, int id)
    {
        return map.getChildWithName (ModelIds::controls).getChildWithProperty (ModelIds::id, id);
    }

    void resetMapToFactoryDefaults (juce::ValueTree& map)
    {
        const auto mode = getModeIndexOfMap (map);

        // In HUI mode the keyboard keeps its settings; the model is still read back from them.
        if (mode != huiDawMode)
            resetImageToFactory();

        for (int i = 0; i < controlsPerMap; ++i)
        {
            auto control = getControlAt (map, i);
            const int id = control.getProperty (ModelIds::id, i + 1);

            control.setProperty (ModelIds::type, typeNameOfStatus (getControlStatus (mode, id)), nullptr);
            control.setProperty (ModelIds::chan, getControlChannel (mode, id), nullptr);
            // The data byte itself, so that a saved and reloaded map sends the same bytes.
            control.setProperty (ModelIds::value, getControlDataValue (id), nullptr);

            if (id == 2)
                control.setProperty (ModelIds::sustain, getFactorySustainByte (mode, 2), nullptr);

            // Control 1 always carries the octave. The curve, the transposition and
            // the knob direction are written only once the user has set them; when
            // a control carries one, it must say what the image now holds, or a
            // saved file would bring the old setting back while the editor shows
            // the factory one.
            if (id == 1)
            {
                control.setProperty (ModelIds::octave, getOctaveByte (mode, 1), nullptr);

                if (control.hasProperty (ModelIds::curve))
                    control.setProperty (ModelIds::curve, (int) deviceSettingsImage.header[3], nullptr);

                if (control.hasProperty (ModelIds::transposition))
                    control.setProperty (ModelIds::transposition, (int) deviceSettingsImage.header[2], nullptr);
            }

            if ((id == 6 || id == 7) && control.hasProperty (ModelIds::clockwise))
                control.setProperty (ModelIds::clockwise, isKnobClockwise (knobRecordOf (deviceSettingsImage, id)) ? 1 : 0, nullptr);
        }

        // The curve dialog shows the curve the keys use.
        currentCurveNumber = deviceSettingsImage.header[3] + 1;
    }

    //==============================================================================
    MappingModel::MappingModel()
    {
        // Written at once so that "pid" always names a keyboard, also before one is detected.
        modes.setProperty (ModelIds::pid, productId, nullptr);
        createDefaultModes();
    }

    juce::ValueTree MappingModel::createModeMap (int mode) const
    {
        return createMapTree (mode);
    }

    void MappingModel::createDefaultModes()
    {
        if (modes.getNumChildren() == 0)
            for (int mode = 0; mode < 4; ++mode)
                modes.appendChild (createModeMap (mode), nullptr);

        setCurrentMode (0);
    }

    juce::ValueTree MappingModel::getModeMap (int mode) const
    {
        if (! juce::isPositiveAndBelow (mode, dawModeCount))
            return {};

        return modes.getChildWithProperty (ModelIds::mode, getDawModeNames (mode));
    }

    void MappingModel::setCurrentMode (int mode)
    {
        if (! juce::isPositiveAndBelow (mode, dawModeCount))
            return;

        currentModeIndex = mode;
        currentMap = getModeMap (mode);
        modes.setProperty (ModelIds::current, getDawModeNames (mode), nullptr);
    }

    int MappingModel::getCurrentModeIndex() const
    {
        return getModeIndexOfMap (currentMap);
    }

    void MappingModel::setProductId (int id)
    {
        productId = id;
        modes.setProperty (ModelIds::pid, id, nullptr);
    }
}

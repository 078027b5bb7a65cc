#include "editor/window/ModeComboLookup.h"
#include "editor/model/ModelNames.h"

namespace NsDravel
{
    int getModeIndexOfComboId (const juce::ComboBox& combo)
    {
        return getModeIndexOfComboIndex (combo.getSelectedItemIndex());
    }
}

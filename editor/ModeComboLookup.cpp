#include "ModeComboLookup.h"
#include "ModelNames.h"

namespace NsDravel
{
    int getModeIndexOfComboId (const juce::ComboBox& combo)
    {
        return getModeIndexOfComboIndex (combo.getSelectedItemIndex());
    }
}

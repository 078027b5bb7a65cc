#include "editor/window/MapComboBox.h"

namespace NsDravel
{
    MapComboBox::MapComboBox()
        : juce::ComboBox (juce::String())
    {
    }

    int MapComboBox::getSelectedValue() const
    {
        const auto index = getSelectedItemIndex();

        if (index >= 0 && index < values.size())
            return values[index];

        return 0;
    }
}

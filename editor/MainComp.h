#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace NsDravel
{

/**
    The mapping editor's window component.

    For now it holds what the keyboard link talks to: the firmware-version
    label, the model combo box and the keyboard picture's model index. The
    device timer writes the window title through its top-level component.
    Message thread only.
*/
class MainComp : public juce::Component
{
public:
    /** Makes this the one editor (NsDravel::theMainComp) and caches the device
        host (NsDravel::theHost). The argument is not used. */
    explicit MainComp (int productIdHint);

    /** Stops being the editor before anything of it goes away. */
    ~MainComp() override;

    /** Shows the picture of keyboard model index 0..4 (0x1020 + index). */
    void setKeyboardImage (int index);

    /** The model index of the keyboard picture shown now. */
    int getKeyboardImageIndex() const noexcept        { return keyboardImageIndex; }

    /** The keyboard models "Dravel 25" .. "Dravel 88", item ids 1..5; item index
        i stands for product id 0x1020 + i. */
    juce::ComboBox modelCombo;

    /** The keyboard's firmware version, as the keyboard reported it; named "fw ver". */
    std::unique_ptr<juce::Label> fwVersionLabel;

private:
    int keyboardImageIndex = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainComp)
};

} // namespace NsDravel

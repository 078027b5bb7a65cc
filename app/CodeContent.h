#pragma once

#include <juce_gui_extra/juce_gui_extra.h>

/** The colours of the code viewer on a dark look-and-feel. */
juce::CodeEditorComponent::ColourScheme makeDarkCodeColourScheme();

/** The colours of the code viewer on a light look-and-feel. */
juce::CodeEditorComponent::ColourScheme makeLightCodeColourScheme();

/** A read-only viewer for the notes text of a view. */
class CodeContent : public juce::Component
{
public:
    CodeContent();

    /** Replaces the whole text and scrolls back to the first line. */
    void showText (const juce::String& text);

    /** Replaces the whole text with the banner that asks the user to pick a view. */
    void showPlaceholderText();

    /** The text shown now. */
    juce::String getText() const;

    /** The colours the viewer uses now. */
    juce::CodeEditorComponent::ColourScheme getColourScheme() const;

    void lookAndFeelChanged() override;
    void resized() override;

private:
    juce::CodeDocument document;
    juce::CPlusPlusCodeTokeniser tokeniser;
    juce::CodeEditorComponent editor { document, &tokeniser };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CodeContent)
};

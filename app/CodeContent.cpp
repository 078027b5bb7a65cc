#include "CodeContent.h"

namespace
{
    struct TokenColours
    {
        const char* name;
        juce::uint32 dark;
        juce::uint32 light;
    };

    const TokenColours tokenColours[] =
    {
        { "Error",             0xffe60000, 0xffcc0000 },
        { "Comment",           0xff72d20c, 0xff00aa00 },
        { "Keyword",           0xffee6f6f, 0xff0000cc },
        { "Operator",          0xffc4eb19, 0xff225500 },
        { "Identifier",        0xffcfcfcf, 0xff000000 },
        { "Integer",           0xff42c8c4, 0xff880000 },
        { "Float",             0xff885500, 0xff885500 },
        { "String",            0xffbc45dd, 0xff990099 },
        { "Bracket",           0xff058202, 0xff000055 },
        { "Punctuation",       0xffcfbeff, 0xff004400 },
        { "Preprocessor Text", 0xfff8f631, 0xff660000 }
    };

    juce::String makePlaceholderBanner()
    {
        const auto stars = juce::String::repeatedString ("*", 79);

        return "\n"
               "/" + stars + "\n"
             + juce::String::repeatedString (" ", 10) + "Select one of the Tavlos from the side panel on the left to see\n"
             + juce::String::repeatedString (" ", 12) + "its notes here and an instance running in the first tab!\n"
             + stars + "/\n";
    }
}

juce::CodeEditorComponent::ColourScheme makeDarkCodeColourScheme()
{
    juce::CodeEditorComponent::ColourScheme scheme;

    for (auto& t : tokenColours)
        scheme.set (t.name, juce::Colour (t.dark));

    return scheme;
}

juce::CodeEditorComponent::ColourScheme makeLightCodeColourScheme()
{
    juce::CodeEditorComponent::ColourScheme scheme;

    for (auto& t : tokenColours)
        scheme.set (t.name, juce::Colour (t.light));

    return scheme;
}

CodeContent::CodeContent()
{
    addAndMakeVisible (editor);
    editor.setReadOnly (true);
    editor.setScrollbarThickness (8);

    lookAndFeelChanged();
}

void CodeContent::showText (const juce::String& text)
{
    document.replaceAllContent (text);
    editor.scrollToLine (0);
}

void CodeContent::showPlaceholderText()
{
    document.replaceAllContent (makePlaceholderBanner());
}

juce::String CodeContent::getText() const
{
    return document.getAllContent();
}

juce::CodeEditorComponent::ColourScheme CodeContent::getColourScheme() const
{
    return editor.getColourScheme();
}

void CodeContent::lookAndFeelChanged()
{
    auto* v4 = dynamic_cast<juce::LookAndFeel_V4*> (&juce::Desktop::getInstance().getDefaultLookAndFeel());
    const bool isDark = v4 != nullptr
                     && v4->getCurrentColourScheme() != juce::LookAndFeel_V4::getLightColourScheme();

    editor.setColourScheme (isDark ? makeDarkCodeColourScheme() : makeLightCodeColourScheme());
}

void CodeContent::resized()
{
    editor.setBounds (getLocalBounds());
}

#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace NsDravel
{

/** The content of the "About This Tavlo" window: program name, version and
    build date, copyright line and the "About Us" link. */
class AboutComponent  : public juce::Component
{
public:
    AboutComponent();
    ~AboutComponent() override;

    void paint (juce::Graphics&) override;
    void resized() override;

    /** The version block for a compiler date text such as "Jul  4 2025":
        "V1.06 (26C)\n\nBuilt on Jul 4, 2025". */
    static juce::String makeVersionText (const juce::String& buildDate);

    /** The copyright line for a compiler date text; the years run from 2024
        to the build's year, or show 2024 alone for a build in 2024. */
    static juce::String makeCopyrightText (const juce::String& buildDate);

    /** The address behind "About Us", also shown as the link's tooltip. */
    static const char* const aboutUsAddress;

private:
    std::unique_ptr<juce::Label> nameLabel;
    std::unique_ptr<juce::Label> copyrightLabel;
    std::unique_ptr<juce::HyperlinkButton> aboutUsLink;
    std::unique_ptr<juce::Label> versionLabel;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (AboutComponent)
};

/** Opens a new "About This Tavlo" window, which closes with Escape and deletes
    itself and its content when closed; returns it. Message thread. */
juce::DialogWindow* showAboutWindow();

} // namespace NsDravel

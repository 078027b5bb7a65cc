#include "editor/window/AboutComponent.h"
#include "common/TextConstants.h"

namespace NsDravel
{

namespace
{
    const juce::String versionMark ("V");
    const juce::String programVersion (texts::applicationVersion);
    const juce::String buildLabel ("26C");
    const juce::String makerName ("Halvik Audio");
    const juce::String firstCopyrightYear ("2024");

    const juce::Colour labelTextColour (0xffeeeeee);
    const juce::Colour linkTextColour (0xffff0000);
    const juce::Colour backgroundColour (0xff222222);

    constexpr float copyrightFontHeight = 15.0f;

    /** The compiler's date of this build, "Mmm dd yyyy" with a blank-padded day. */
    juce::String compilerBuildDate()   { return __DATE__; }

    juce::String yearOf (const juce::String& buildDate)
    {
        return buildDate.getLastCharacters (4);
    }

    void styleLabel (juce::Label& label, const juce::Font& font, juce::Justification justification)
    {
        label.setFont (font);
        label.setJustificationType (justification);
        label.setEditable (false, false, false);
        label.setColour (juce::Label::textColourId, labelTextColour);
    }
}

const char* const AboutComponent::aboutUsAddress = "https://www.halvik.example/";

AboutComponent::AboutComponent()
{
    const auto buildDate = compilerBuildDate();

    nameLabel = std::make_unique<juce::Label> ("Name", texts::applicationName);
    juce::Font nameFont (50.0f);
    nameFont.setTypefaceStyle ("Bold");
    styleLabel (*nameLabel, nameFont, juce::Justification::centred);

    copyrightLabel = std::make_unique<juce::Label> ("Copyright", makeCopyrightText (buildDate));
    styleLabel (*copyrightLabel, juce::Font (copyrightFontHeight), juce::Justification::centredLeft);

    const juce::URL address (aboutUsAddress);
    aboutUsLink = std::make_unique<juce::HyperlinkButton> (juce::translate ("About Us"), address);
    aboutUsLink->setTooltip (address.toString (false));
    aboutUsLink->setColour (juce::HyperlinkButton::textColourId, linkTextColour);

    versionLabel = std::make_unique<juce::Label> ("Version", makeVersionText (buildDate));
    juce::Font versionFont (18.0f);
    versionFont.setTypefaceStyle ("Regular");
    styleLabel (*versionLabel, versionFont, juce::Justification::centred);

    addAndMakeVisible (*nameLabel);
    addAndMakeVisible (*copyrightLabel);
    addAndMakeVisible (*aboutUsLink);
    addAndMakeVisible (*versionLabel);

    setSize (500, 278);
}

AboutComponent::~AboutComponent() = default;

juce::String AboutComponent::makeVersionText (const juce::String& buildDate)
{
    // "Jul  4 2025" -> "Jul 4": the padding blank goes, and so does the year,
    // which the template puts after a comma.
    auto date = buildDate.replace ("  ", " ");
    date = date.dropLastCharacters (5);

    return juce::String ("{vermark}{ver} ({build})\n\nBuilt on {date}, {year}")
               .replace ("{vermark}", versionMark)
               .replace ("{ver}", programVersion)
               .replace ("{build}", buildLabel)
               .replace ("{date}", date)
               .replace ("{year}", yearOf (buildDate));
}

juce::String AboutComponent::makeCopyrightText (const juce::String& buildDate)
{
    const auto year = yearOf (buildDate);
    const auto years = year == firstCopyrightYear ? year : firstCopyrightYear + "-" + year;

    return "Copyright (C) " + years + ", " + makerName;
}

void AboutComponent::paint (juce::Graphics& g)
{
    g.fillAll (backgroundColour);
}

void AboutComponent::resized()
{
    const auto w = getWidth();
    const auto h = getHeight();

    // Wide enough for the copyright line of a two-year span at this font,
    // whatever the displayed years are.
    const auto copyrightChars = 25 + makerName.length();
    const auto copyrightWidth = (int) (copyrightChars * 1.2 * copyrightFontHeight * 0.3333333432674408);

    nameLabel->setBounds (w / 2 - 240, 72, 480, 56);
    versionLabel->setBounds ((w - 300) / 2, 138, 300, 72);
    copyrightLabel->setBounds (13, 243, copyrightWidth, 24);
    aboutUsLink->setBounds (393, h - 36, 94, 24);
}

juce::DialogWindow* showAboutWindow()
{
    juce::DialogWindow::LaunchOptions options;
    options.content.setOwned (new AboutComponent());
    options.dialogTitle = "About This Tavlo";
    options.escapeKeyTriggersCloseButton = true;
    options.useNativeTitleBar = false;
    options.resizable = false;
    options.useBottomRightCornerResizer = false;
    options.componentToCentreAround = nullptr;
    return options.launchAsync();
}

} // namespace NsDravel

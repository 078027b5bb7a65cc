// Draws the program's stand-in pictures (logos, keyboards, knobs) and writes
// them as PNG files under the given Assets folder.

#include <juce_gui_basics/juce_gui_basics.h>
#include <iostream>

namespace
{
    const juce::Colour ink        (0xff2b2f36);   // dark text on the editor's light background
    const juce::Colour paper      (0xfff2f2f2);   // light text on the dark welcome page
    const juce::Colour accent     (0xff1f9e8f);   // teal
    const juce::Colour accentWarm (0xffe8873a);   // amber

    juce::Image newPicture (int width, int height)
    {
        return juce::Image (juce::Image::ARGB, width, height, true);
    }

    bool save (const juce::Image& image, const juce::File& file)
    {
        file.getParentDirectory().createDirectory();
        file.deleteFile();

        juce::FileOutputStream out (file);

        if (! out.openedOk() || ! juce::PNGImageFormat().writeImageToStream (image, out))
        {
            std::cerr << "could not write " << file.getFullPathName() << std::endl;
            return false;
        }

        std::cout << file.getFullPathName() << "  " << image.getWidth() << " x " << image.getHeight() << std::endl;
        return true;
    }

    /** The outline of a line of text, so that it can be fitted to any box. */
    juce::Path textOutline (const juce::String& text, bool bold, float extraKerning = 0.0f)
    {
        juce::Font font ("DejaVu Sans", 100.0f, bold ? juce::Font::bold : juce::Font::plain);
        font.setExtraKerningFactor (extraKerning);

        juce::GlyphArrangement glyphs;
        glyphs.addLineOfText (font, text, 0.0f, 0.0f);

        juce::Path path;
        glyphs.createPath (path);
        return path;
    }

    void fillFitted (juce::Graphics& g, juce::Path path, juce::Rectangle<float> box, juce::Justification justification)
    {
        path.applyTransform (juce::RectanglePlacement (justification.getFlags() | juce::RectanglePlacement::onlyReduceInSize)
                                 .getTransformToFit (path.getBounds(), box));
        g.fillPath (path);
    }

    //==========================================================================
    /** The maker's mark: three rising bars in a rounded square. */
    void drawMark (juce::Graphics& g, juce::Rectangle<float> box, juce::Colour background, juce::Colour bars)
    {
        g.setColour (background);
        g.fillRoundedRectangle (box, box.getWidth() * 0.22f);

        auto inner = box.reduced (box.getWidth() * 0.22f);
        const auto barWidth = inner.getWidth() / 5.0f;

        g.setColour (bars);

        for (int i = 0; i < 3; ++i)
        {
            const auto height = inner.getHeight() * (0.45f + 0.275f * (float) i);
            g.fillRoundedRectangle (inner.getX() + barWidth * 2.0f * (float) i, inner.getBottom() - height,
                                    barWidth, height, barWidth * 0.4f);
        }
    }

    juce::Image makeMakerWordmark (int width, int height, juce::Colour textColour)
    {
        auto image = newPicture (width, height);
        juce::Graphics g (image);

        const auto h = (float) height;
        auto area = image.getBounds().toFloat().reduced (h * 0.1f);

        drawMark (g, area.removeFromLeft (area.getHeight()), accent, juce::Colours::white);
        area.removeFromLeft (h * 0.22f);

        g.setColour (textColour);
        fillFitted (g, textOutline ("Halvik", true, 0.02f), area.reduced (0.0f, h * 0.08f), juce::Justification::centredLeft);
        return image;
    }

    juce::Image makeProductWordmark (int width, int height)
    {
        auto image = newPicture (width, height);
        juce::Graphics g (image);

        const auto h = (float) height;
        auto area = image.getBounds().toFloat().reduced (2.0f, h * 0.08f);
        auto underline = area.removeFromBottom (h * 0.1f);

        g.setColour (ink);
        fillFitted (g, textOutline ("DRAVEL", true, 0.12f), area.reduced (0.0f, h * 0.04f), juce::Justification::centred);

        g.setGradientFill (juce::ColourGradient (accent, underline.getTopLeft(), accentWarm, underline.getTopRight(), false));
        g.fillRoundedRectangle (underline.reduced (underline.getWidth() * 0.18f, 0.0f), underline.getHeight() * 0.5f);
        return image;
    }

    //==========================================================================
    struct KeyRange
    {
        int keys;
        int firstNoteInOctave;   // 0 = C, 9 = A
        const char* file;
        const char* label;
    };

    bool isBlack (int noteInOctave)
    {
        return noteInOctave == 1 || noteInOctave == 3 || noteInOctave == 6 || noteInOctave == 8 || noteInOctave == 10;
    }

    juce::Image makeKeyboard (const KeyRange& range)
    {
        auto image = newPicture (675, 174);
        juce::Graphics g (image);

        const auto bounds = image.getBounds().toFloat();

        // Body: a dark shell with a slightly lighter top panel.
        g.setGradientFill (juce::ColourGradient (juce::Colour (0xff3a3f47), 0.0f, 0.0f,
                                                 juce::Colour (0xff1d2025), 0.0f, bounds.getBottom(), false));
        g.fillRoundedRectangle (bounds, 9.0f);
        g.setColour (juce::Colour (0xff55606b));
        g.drawRoundedRectangle (bounds.reduced (0.75f), 9.0f, 1.5f);

        auto body = bounds.reduced (9.0f, 0.0f);
        auto panel = body.removeFromTop (28.0f);

        g.setColour (juce::Colours::white.withAlpha (0.75f));
        fillFitted (g, textOutline (range.label, true, 0.15f),
                    panel.withTrimmedTop (9.0f).withTrimmedBottom (8.0f).withWidth (120.0f),
                    juce::Justification::centredLeft);

        g.setColour (accent);
        g.fillRoundedRectangle (panel.getRight() - 46.0f, panel.getCentreY() - 1.5f, 46.0f, 3.0f, 1.5f);

        auto keyBed = body.withTrimmedBottom (9.0f);

        g.setColour (juce::Colour (0xff0d0f12));
        g.fillRect (keyBed.expanded (1.0f, 1.0f));

        // Count the white keys of the range, then lay the black ones over the gaps.
        int whiteCount = 0;

        for (int k = 0; k < range.keys; ++k)
            if (! isBlack ((range.firstNoteInOctave + k) % 12))
                ++whiteCount;

        const auto whiteWidth = keyBed.getWidth() / (float) whiteCount;
        const auto blackWidth = whiteWidth * 0.58f;
        const auto blackHeight = keyBed.getHeight() * 0.62f;

        int white = 0, blackCount = 0;

        for (int k = 0; k < range.keys; ++k)
        {
            if (isBlack ((range.firstNoteInOctave + k) % 12))
                continue;

            juce::Rectangle<float> key (keyBed.getX() + whiteWidth * (float) white, keyBed.getY(), whiteWidth, keyBed.getHeight());
            auto face = key.reduced (0.6f, 0.0f).withTrimmedBottom (0.5f);

            g.setGradientFill (juce::ColourGradient (juce::Colour (0xffe9e9e6), 0.0f, face.getY(),
                                                     juce::Colour (0xfffcfcfa), 0.0f, face.getBottom() - 10.0f, false));
            g.fillRoundedRectangle (face, 1.5f);
            g.setColour (juce::Colour (0xffc9c9c4));
            g.fillRect (face.removeFromBottom (3.0f));
            ++white;
        }

        white = 0;

        for (int k = 0; k < range.keys; ++k)
        {
            if (! isBlack ((range.firstNoteInOctave + k) % 12))
            {
                ++white;
                continue;
            }

            const auto gapX = keyBed.getX() + whiteWidth * (float) white;
            juce::Rectangle<float> key (gapX - blackWidth * 0.5f, keyBed.getY(), blackWidth, blackHeight);

            g.setGradientFill (juce::ColourGradient (juce::Colour (0xff30343a), 0.0f, key.getY(),
                                                     juce::Colour (0xff0b0c0e), 0.0f, key.getBottom(), false));
            g.fillRoundedRectangle (key, 1.5f);
            g.setColour (juce::Colours::white.withAlpha (0.18f));
            g.fillRect (key.reduced (blackWidth * 0.22f, 0.0f).withTrimmedTop (blackHeight * 0.55f).withHeight (2.0f));
            ++blackCount;
        }

        if (white + blackCount != range.keys)
            std::cerr << range.file << ": drew " << white + blackCount << " keys instead of " << range.keys << std::endl;

        // Shadow of the panel lip over the top of the keys.
        g.setGradientFill (juce::ColourGradient (juce::Colours::black.withAlpha (0.35f), 0.0f, keyBed.getY(),
                                                 juce::Colours::transparentBlack, 0.0f, keyBed.getY() + 7.0f, false));
        g.fillRect (keyBed.withHeight (7.0f));
        return image;
    }

    //==========================================================================
    juce::Image makeKnob (int width, int height, float angle, juce::Colour capColour)
    {
        auto image = newPicture (width, height);
        juce::Graphics g (image);

        const auto centre = image.getBounds().toFloat().getCentre();
        // Room for the scale all round: the outer tick ends at the picture's edge.
        const auto radius = ((float) height * 0.5f - 0.5f) / 1.5f;

        // Scale ticks on both sides of the knob, from seven to five o'clock.
        g.setColour (ink.withAlpha (0.55f));

        for (int i = 0; i <= 10; ++i)
        {
            const auto a = juce::jmap ((float) i, 0.0f, 10.0f, -2.35f, 2.35f);
            juce::Line<float> tick (centre.getPointOnCircumference (radius * 1.22f, a),
                                    centre.getPointOnCircumference (radius * (i % 5 == 0 ? 1.5f : 1.38f), a));
            g.drawLine (tick, i % 5 == 0 ? 1.6f : 1.1f);
        }

        auto outer = juce::Rectangle<float> (radius * 2.0f, radius * 2.0f).withCentre (centre);

        g.setColour (juce::Colours::black.withAlpha (0.25f));
        g.fillEllipse (outer.translated (0.0f, 1.0f));

        g.setGradientFill (juce::ColourGradient (juce::Colour (0xff5a616b), outer.getX(), outer.getY(),
                                                 juce::Colour (0xff1b1e22), outer.getRight(), outer.getBottom(), false));
        g.fillEllipse (outer);

        auto cap = outer.reduced (radius * 0.22f);
        g.setGradientFill (juce::ColourGradient (capColour.brighter (0.35f), cap.getX(), cap.getY(),
                                                 capColour.darker (0.5f), cap.getRight(), cap.getBottom(), false));
        g.fillEllipse (cap);

        g.setColour (juce::Colours::white);
        g.drawLine (juce::Line<float> (centre.getPointOnCircumference (radius * 0.2f, angle),
                                       centre.getPointOnCircumference (radius * 0.86f, angle)), 2.2f);
        return image;
    }
}

int main (int argc, char* argv[])
{
    if (argc != 2)
    {
        std::cerr << "usage: " << argv[0] << " <Assets folder>" << std::endl;
        return 2;
    }

    juce::ScopedJuceInitialiser_GUI juce;
    const juce::File assets (juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]));

    const KeyRange ranges[] = { { 25, 0, "ui/kbd/kbd3.png", "DRAVEL 25" },
                                { 37, 0, "ui/kbd/kbd4.png", "DRAVEL 37" },
                                { 49, 0, "ui/kbd/kbd5.png", "DRAVEL 49" },
                                { 61, 0, "ui/kbd/kbd6.png", "DRAVEL 61" },
                                { 88, 9, "ui/kbd/kbd8.png", "DRAVEL 88" } };

    bool ok = save (makeMakerWordmark (160, 40, ink), assets.getChildFile ("halvik/Halvik Logo.png"))
           && save (makeMakerWordmark (300, 80, paper), assets.getChildFile ("Halvik Logo.png"))
           && save (makeProductWordmark (200, 40), assets.getChildFile ("product/Dravel/Dravel.png"))
           && save (makeKnob (76, 39, -0.8f, juce::Colour (0xff6d7480)), assets.getChildFile ("ui/knob/knoNor.png"))
           && save (makeKnob (76, 37, 0.8f, juce::Colour (0xff6d7480)), assets.getChildFile ("ui/knob/monNor.png"));

    for (auto& range : ranges)
        ok = ok && save (makeKeyboard (range), assets.getChildFile (range.file));


    return ok ? 0 : 1;
}

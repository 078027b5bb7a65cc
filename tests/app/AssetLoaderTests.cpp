#include <gtest/gtest.h>

#include "app/AssetLoader.h"
#include "support/TempFolder.h"

namespace
{
    void writePicture (const juce::File& file, int width, int height, juce::Colour colour)
    {
        juce::Image image (juce::Image::ARGB, width, height, true);
        image.clear (image.getBounds(), colour);

        file.getParentDirectory().createDirectory();
        file.deleteFile();
        juce::FileOutputStream out (file);
        juce::PNGImageFormat().writeImageToStream (image, out);
    }

    struct AssetLoader : public ::testing::Test
    {
        TempFolder temp;
        juce::File resources = temp.createFolder ("resources");
        juce::File assets = temp.createFolder ("resources/Assets");
    };
}

TEST_F (AssetLoader, GivesTheNullImageForAMissingOrUndecodableFileAndLooksAgainNextTime)
{
    assets.getChildFile ("broken.png").replaceWithText ("this is not a PNG");
    assets.getChildFile ("empty.png").create();

    EXPECT_TRUE (loadResourceImage ("broken.png", true, resources).isNull());
    EXPECT_TRUE (loadResourceImage ("empty.png", true, resources).isNull());
    EXPECT_TRUE (loadResourceImage ("later.png", true, resources).isNull());

    writePicture (assets.getChildFile ("later.png"), 5, 5, juce::Colours::white);

    EXPECT_TRUE (loadResourceImage ("later.png", true, resources).isValid());
}

TEST (StandInPictures, AreLaidOutBesideTheProgramUnderTheNamesTheProgramLoads)
{
    // The test binary sits beside the program, so the program's own search finds them.
    for (auto* name : { "halvik/Halvik Logo.png", "product/Dravel/Dravel.png", "Halvik Logo.png", "ui/kbd/kbd3.png", "ui/kbd/kbd4.png",
                        "ui/kbd/kbd5.png", "ui/kbd/kbd6.png", "ui/kbd/kbd8.png", "ui/knob/knoNor.png", "ui/knob/monNor.png" })
        EXPECT_TRUE (loadResourceImage (name, true).isValid()) << name;
}

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

TEST_F (AssetLoader, LoadsAPictureFromTheAssetsFolder)
{
    writePicture (assets.getChildFile ("ui/knob/knob.png"), 76, 39, juce::Colours::red);

    const auto image = loadResourceImage ("ui/knob/knob.png", true, resources);

    ASSERT_TRUE (image.isValid());
    EXPECT_EQ (image.getBounds(), juce::Rectangle<int> (76, 39));
    EXPECT_EQ (image.getPixelAt (10, 10), juce::Colours::red);
}

TEST_F (AssetLoader, ServesASecondRequestFromTheCacheWithoutTheFile)
{
    auto file = assets.getChildFile ("logo.png");
    writePicture (file, 20, 10, juce::Colours::blue);

    const auto first = loadResourceImage ("logo.png", true, resources);
    ASSERT_TRUE (file.deleteFile());
    const auto second = loadResourceImage ("logo.png", true, resources);

    ASSERT_TRUE (second.isValid());
    EXPECT_TRUE (first == second) << "both requests share one set of pixels";
}

TEST_F (AssetLoader, SharesOneCacheEntryForANameInAndOutsideTheAssetsFolder)
{
    writePicture (assets.getChildFile ("same.png"), 8, 8, juce::Colours::green);
    writePicture (resources.getChildFile ("same.png"), 16, 16, juce::Colours::yellow);

    const auto fromAssets = loadResourceImage ("same.png", true, resources);
    const auto fromFolder = loadResourceImage ("same.png", false, resources);

    EXPECT_TRUE (fromAssets == fromFolder);
}

TEST_F (AssetLoader, GivesTheNullImageForAMissingFileAndFindsItOnceItExists)
{
    EXPECT_TRUE (loadResourceImage ("later.png", true, resources).isNull());
    EXPECT_TRUE (loadResourceImage ("later.png", true, resources).isNull());

    writePicture (assets.getChildFile ("later.png"), 5, 5, juce::Colours::white);

    EXPECT_TRUE (loadResourceImage ("later.png", true, resources).isValid());
}

TEST_F (AssetLoader, GivesTheNullImageForAFileThatIsNoPicture)
{
    assets.getChildFile ("broken.png").replaceWithText ("this is not a PNG");
    assets.getChildFile ("empty.png").create();

    EXPECT_TRUE (loadResourceImage ("broken.png", true, resources).isNull());
    EXPECT_TRUE (loadResourceImage ("empty.png", true, resources).isNull());
}

TEST_F (AssetLoader, OpensStreamsInsideAndOutsideTheAssetsFolder)
{
    resources.getChildFile ("b.txt").replaceWithText ("beside assets");

    std::unique_ptr<juce::InputStream> besideAssets (openResourceStream ("b.txt", false, resources));
    std::unique_ptr<juce::InputStream> wrongFolder (openResourceStream ("b.txt", true, resources));

    ASSERT_NE (besideAssets, nullptr);
    EXPECT_EQ (besideAssets->readEntireStreamAsString(), "beside assets");
    EXPECT_EQ (wrongFolder, nullptr);
}

TEST (StandInPictures, AreLaidOutBesideTheProgramUnderTheNamesTheEditorLoads)
{
    // Loads through the running executable's own search, as the program does: the
    // test binary sits beside the program, in the same build folder.
    const char* names[] = { "halvik/Halvik Logo.png", "product/Dravel/Dravel.png", "Halvik Logo.png",
                            "ui/kbd/kbd3.png", "ui/kbd/kbd4.png", "ui/kbd/kbd5.png", "ui/kbd/kbd6.png", "ui/kbd/kbd8.png",
                            "ui/knob/knoNor.png", "ui/knob/monNor.png" };

    for (auto* name : names)
        EXPECT_TRUE (loadResourceImage (name, true).isValid()) << name;

    EXPECT_EQ (loadResourceImage ("ui/kbd/kbd8.png", true).getBounds(), juce::Rectangle<int> (675, 174));
    EXPECT_EQ (loadResourceImage ("ui/knob/knoNor.png", true).getBounds(), juce::Rectangle<int> (76, 39));
    EXPECT_EQ (loadResourceImage ("ui/knob/monNor.png", true).getBounds(), juce::Rectangle<int> (76, 37));
}

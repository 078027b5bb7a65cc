#include <gtest/gtest.h>

#include "common/AssetLoader.h"
#include "common/ResourcesFolder.h"
#include "support/TestSurroundings.h"

TEST (ResourcesFolder, IsTheFolderBesideTheProgramOrANamedAncestorWithinTheWalkOrElseAMissingOneBesideIt)
{
    const auto programBelow = [] (int depth) { return "resources/" + juce::String::repeatedString ("d/", depth) + "Tavlo"; };

    const struct { const char* what; juce::String folder, file, program, expected; } cases[] =
    {
        { "beside the program",                       "bin/resources", {}, "bin/Tavlo", "bin/resources" },
        { "fourteen folders above the program's",     "resources", {}, programBelow (14), "resources" },
        { "fifteen folders above: out of reach",      "resources", {}, programBelow (15), {} },
        { "named in another case",                    "Resources/bin/Resources", {}, "Resources/bin/Tavlo", {} },
        { "a plain file beside is passed over",       {}, "resources/bin/resources", "resources/bin/Tavlo", "resources" },
    };

    for (auto& c : cases)
    {
        TempFolder temp;

        if (c.folder.isNotEmpty())  temp.createFolder (c.folder);
        if (c.file.isNotEmpty())    temp.createFile (c.file);

        const auto program = temp.createFile (c.program);
        const auto expected = c.expected.isEmpty() ? juce::File() : temp.get().getChildFile (c.expected);

        EXPECT_EQ (findResourcesFolder (program), expected) << c.what;
        EXPECT_EQ (getResourcesFolder (program), expected != juce::File() ? expected : program.getSiblingFile ("resources")) << c.what;
    }
}

TEST (ResourceFile, ResolvesBackslashesAndEitherCaseOfTheLeadingFolderName)
{
    TempFolder temp;
    auto resources = temp.createFolder ("resources");
    auto tool = temp.createFile ("resources/Assets/tools/win/blhost.exe");
    auto check = temp.createFile ("resources/Assets/res/check.bin");

    EXPECT_EQ (getResourceFile ("resources\\Assets\\tools\\win\\blhost.exe", resources), tool);
    EXPECT_EQ (getResourceFile ("Resources/Assets/res/check.bin", resources), check);
    EXPECT_EQ (getResourceFile ("Assets\\res/check.bin", resources), check);
    EXPECT_EQ (getResourceFile ("", resources), resources);
}

TEST (AssetLoader, GivesTheNullImageForAMissingOrUndecodableFileAndLooksAgainNextTime)
{
    TempFolder temp;
    const auto resources = temp.createFolder ("resources"), assets = temp.createFolder ("resources/Assets");
    assets.getChildFile ("broken.png").replaceWithText ("this is not a PNG");
    assets.getChildFile ("empty.png").create();

    EXPECT_TRUE (loadResourceImage ("broken.png", true, resources).isNull());
    EXPECT_TRUE (loadResourceImage ("empty.png", true, resources).isNull());
    EXPECT_TRUE (loadResourceImage ("later.png", true, resources).isNull());

    {
        juce::FileOutputStream picture (assets.getChildFile ("later.png"));
        ASSERT_TRUE (juce::PNGImageFormat().writeImageToStream (juce::Image (juce::Image::ARGB, 5, 5, true), picture));
    }

    EXPECT_TRUE (loadResourceImage ("later.png", true, resources).isValid());
}

TEST (StandInPictures, AreLaidOutBesideTheProgramUnderTheNamesTheProgramLoads)
{
    // The test binary sits beside the program, so the program's own search finds them.
    for (auto* name : { "halvik/Halvik Logo.png", "product/Dravel/Dravel.png", "Halvik Logo.png", "ui/kbd/kbd3.png", "ui/kbd/kbd4.png",
                        "ui/kbd/kbd5.png", "ui/kbd/kbd6.png", "ui/kbd/kbd8.png", "ui/knob/knoNor.png", "ui/knob/monNor.png" })
        EXPECT_TRUE (loadResourceImage (name, true).isValid()) << name;
}

#include <gtest/gtest.h>

#include "app/AssetLoader.h"
#include "app/ResourcesFolder.h"
#include "support/TempFolder.h"

namespace
{
    juce::String nestedPath (int depth)
    {
        juce::StringArray parts;

        for (int i = 0; i < depth; ++i)
            parts.add ("d" + juce::String (i));

        return parts.joinIntoString ("/");
    }
}

TEST (ResourcesFolder, IsFoundBesideTheProgram)
{
    TempFolder temp;
    auto program = temp.createFile ("bin/Tavlo");
    auto resources = temp.createFolder ("bin/resources");

    EXPECT_EQ (findResourcesFolder (program), resources);
    EXPECT_EQ (getResourcesFolder (program), resources);
}

TEST (ResourcesFolder, IsFoundAsAnAncestorUpToFourteenFoldersAboveTheProgramsFolder)
{
    TempFolder temp;
    auto resources = temp.createFolder ("resources");
    auto program = temp.createFile ("resources/" + nestedPath (14) + "/Tavlo");

    EXPECT_EQ (findResourcesFolder (program), resources);
    EXPECT_EQ (getResourcesFolder (program), resources);
}

TEST (ResourcesFolder, IsNotFoundFartherUpThanTheWalkGoes)
{
    TempFolder temp;
    temp.createFolder ("resources");
    auto program = temp.createFile ("resources/" + nestedPath (15) + "/Tavlo");

    EXPECT_EQ (findResourcesFolder (program), juce::File());
}

TEST (ResourcesFolder, NeedsItsNameInLowerCase)
{
    TempFolder temp;
    temp.createFolder ("bin/Resources");
    auto program = temp.createFile ("Resources/bin/Tavlo");

    EXPECT_EQ (findResourcesFolder (program), juce::File());
}

TEST (ResourcesFolder, IsNeverAPlainFileNamedResources)
{
    TempFolder temp;
    auto program = temp.createFile ("resources/bin/Tavlo");
    temp.createFile ("resources/bin/resources");

    // The plain file beside the program is passed over; the real folder above is found.
    EXPECT_EQ (findResourcesFolder (program), temp.get().getChildFile ("resources"));
}

TEST (ResourcesFolder, WhenMissingLeadsTheLoadersToAFolderThatDoesNotExist)
{
    TempFolder temp;
    temp.createFile ("top/Logo.png").replaceWithText ("not a picture");
    auto program = temp.createFile ("top/bin/Tavlo");

    const auto folder = getResourcesFolder (program);

    EXPECT_EQ (findResourcesFolder (program), juce::File());
    EXPECT_FALSE (folder.exists());
    EXPECT_EQ (folder, program.getSiblingFile ("resources"));
    EXPECT_FALSE (getResourceFile ("Assets/Logo.png", folder).exists());
    EXPECT_EQ (openResourceStream ("Logo.png", true, folder), nullptr);
    EXPECT_TRUE (loadResourceImage ("Logo.png", false, folder).isNull());
}

TEST (ResourceFile, ResolvesBackslashesAndEitherCaseOfTheLeadingFolderName)
{
    TempFolder temp;
    auto resources = temp.createFolder ("resources");
    auto tool = temp.createFile ("resources/Assets/tools/win/blhost.exe");
    auto check = temp.createFile ("resources/Assets/res/check.bin");

    EXPECT_EQ (getResourceFile ("resources\\Assets\\tools\\win\\blhost.exe", resources), tool);
    EXPECT_EQ (getResourceFile ("Resources/Assets/res/check.bin", resources), check);
    EXPECT_EQ (getResourceFile ("Assets/res/check.bin", resources), check);
    EXPECT_EQ (getResourceFile ("Assets\\res/check.bin", resources), check);
    EXPECT_EQ (getResourceFile ("", resources), resources);
}


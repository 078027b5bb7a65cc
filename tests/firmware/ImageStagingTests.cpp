#include <gtest/gtest.h>

#include "support/ScopedEnvironmentVariable.h"
#include "support/TempFolder.h"

#include "firmware/UpgraderPaths.h"
#include "firmware/tool/ImageCheckValue.h"
#include "firmware/tool/ImageStaging.h"
#include "firmware/tool/WholeFile.h"

using namespace halvik;

namespace
{
    class ImageStaging : public ::testing::Test
    {
    protected:
        juce::String writeImage (const juce::String& name, const juce::MemoryBlock& bytes) const
        {
            // Not replaceWithData, which deletes the file for no bytes.
            const auto file = images.get().getChildFile (name);
            file.deleteFile();
            file.create();
            file.appendData (bytes.getData(), bytes.getSize());
            return file.getFullPathName();
        }

        static juce::MemoryBlock counting (int size)
        {
            juce::MemoryBlock bytes ((size_t) size);

            for (int i = 0; i < size; ++i)
                bytes[(size_t) i] = (char) (i % 251 + 1);   // never zero, so padding stands out

            return bytes;
        }

        TempFolder dataHome, images;
        sim::ScopedEnvironmentVariable dataHomeVariable { "XDG_DATA_HOME", dataHome.get().getFullPathName() };
    };

    juce::MemoryBlock bytesOf (const juce::String& text)
    {
        return juce::MemoryBlock (text.toRawUTF8(), text.getNumBytesAsUTF8());
    }
}

TEST (ImageCheckValue, KnownImagesGiveTheirKnownValues)
{
    EXPECT_EQ (imageCheckValue ({}, 0.0, 3), 0);
    EXPECT_EQ (imageCheckValue (juce::MemoryBlock (1, true), 0.0, 3), 5787374);
    EXPECT_EQ (imageCheckValue (bytesOf ("abc"), 0.0, 3), 5466497);
}

TEST_F (ImageStaging, ThePaddedLayoutFollowsEveryFullBlockWithAsManyZeros)
{
    struct Case { int size; int stagedSize; };
    const Case cases[] { { 1016, 2032 }, { 1017, 2033 }, { 1015, 1015 }, { 0, 0 }, { 2100, 4132 } };
    const juce::MemoryBlock zeros ((size_t) paddedBlockSize, true);

    for (auto& c : cases)
    {
        const auto image = counting (c.size);
        const auto staged = stagePaddedImage (writeImage ("fw.bin", image), "local/", "_M1");
        ASSERT_EQ (staged, getUpgraderDataFolder().getFullPathName() + "/local/fw_M1.bin") << c.size;

        juce::MemoryBlock expected;

        for (int start = 0; start < c.size; start += paddedBlockSize)
        {
            const auto count = juce::jmin (paddedBlockSize, c.size - start);
            expected.append (image.begin() + start, (size_t) count);

            if (count == paddedBlockSize)
                expected.append (zeros.getData(), zeros.getSize());
        }

        const auto bytes = readWholeFile (staged);
        EXPECT_EQ ((int) bytes.getSize(), c.stagedSize);
        EXPECT_EQ (bytes.toBase64Encoding(), expected.toBase64Encoding()) << c.size;   // empty blocks have no data to compare
    }
}

#include <gtest/gtest.h>
#include "firmware/list/FirmwareDownload.h"
#include "firmware/UpgraderPaths.h"
#include "support/LocalFirmwareServer.h"
#include "support/TempFolder.h"

using namespace halvik;
using sim::LocalHttpServer;

namespace
{
    // A stalled transfer is given up after this long without progress.
    constexpr int shortTimeoutMs = 1000;

    juce::MemoryBlock makeImage (size_t size, int seed)
    {
        juce::MemoryBlock image (size);
        juce::Random random (seed);
        random.fillBitsRandomly (image.getData(), image.getSize());
        return image;
    }

    struct FirmwareDownloadTest : ::testing::Test
    {
        juce::URL urlOf (const juce::String& path) const
        {
            return juce::URL (firmware.server.getBaseUrl() + path);
        }

        sim::LocalFirmwareServer firmware;
    };
}

TEST_F (FirmwareDownloadTest, ImageLandsInTheDataFolderUnderTheServersName)
{
    const auto image = makeImage (maxFirmwareImageBytes, 1);
    firmware.serveImage ("fw/dravel_49_v1.05.bin", image);

    const auto download = downloadFirmwareImage (urlOf ("fw/dravel_49_v1.05.bin"), getUpgraderDataFolder(), shortTimeoutMs);

    ASSERT_TRUE (download.result.wasOk()) << download.result.getErrorMessage();
    EXPECT_EQ (download.file, getUpgraderDataFolder().getChildFile ("dravel_49_v1.05.bin"));

    juce::MemoryBlock written;
    download.file.loadFileAsData (written);
    EXPECT_EQ (written, image);
    EXPECT_EQ (firmware.filesInDataFolder(), juce::Array<juce::File> { download.file });
}

TEST_F (FirmwareDownloadTest, AnAnswerThatIsNoWholeImageLeavesNoFile)
{
    const auto image = makeImage (4000, 2);
    const auto oversized = makeImage (maxFirmwareImageBytes + 1, 3);

    struct Case
    {
        const char* what;
        LocalHttpServer::Answer answer;
    };

    const Case cases[] =
    {
        { "not found page",          LocalHttpServer::text ("<html><body>Not here</body></html>", 404) },
        { "server error page",       LocalHttpServer::text ("Internal error", 500) },
        { "empty body",              LocalHttpServer::text ({}) },
        { "transfer cut short",      LocalHttpServer::bytes (image, LocalHttpServer::Delivery::truncated) },
        { "transfer stalled",        LocalHttpServer::bytes (image, LocalHttpServer::Delivery::stalled) },
        { "too large",               LocalHttpServer::bytes (oversized) },
        { "too large, unannounced",  LocalHttpServer::bytes (oversized, LocalHttpServer::Delivery::unannounced) },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        firmware.server.setAnswer ("fw/r7_x_v2.01.bin", c.answer);

        const auto download = downloadFirmwareImage (urlOf ("fw/r7_x_v2.01.bin"), getUpgraderDataFolder(), shortTimeoutMs);

        EXPECT_TRUE (download.result.failed());
        EXPECT_FALSE (download.file.exists());
        EXPECT_TRUE (firmware.filesInDataFolder().isEmpty());
    }
}

TEST_F (FirmwareDownloadTest, AFailedDownloadLeavesAnEarlierImageOfThatNameAsItWas)
{
    const auto earlier = getUpgraderDataFolder().getChildFile ("dravel_49_v1.05.bin");
    earlier.replaceWithText ("the image downloaded last time");

    firmware.server.setAnswer ("fw/dravel_49_v1.05.bin", LocalHttpServer::text ("Not found", 404));
    EXPECT_TRUE (downloadFirmwareImage (urlOf ("fw/dravel_49_v1.05.bin"), getUpgraderDataFolder(), shortTimeoutMs).result.failed());
    EXPECT_EQ (earlier.loadFileAsString(), "the image downloaded last time");
    EXPECT_EQ (firmware.filesInDataFolder().size(), 1);

    const auto image = makeImage (1000, 4);
    firmware.serveImage ("fw/dravel_49_v1.05.bin", image);
    EXPECT_TRUE (downloadFirmwareImage (urlOf ("fw/dravel_49_v1.05.bin"), getUpgraderDataFolder(), shortTimeoutMs).result.wasOk());

    juce::MemoryBlock written;
    earlier.loadFileAsData (written);
    EXPECT_EQ (written, image);
}

TEST_F (FirmwareDownloadTest, ServerNamesThatCouldLeaveTheFolderAreRefusedBeforeAsking)
{
    const char* unsafePaths[] =
    {
        "fw/", "fw/.", "fw/%2e%2e", "fw/..%2F..%2Fevil.bin", "fw/..%2fevil.bin",
        "fw/sub%5Cevil.bin", "fw/c:evil.bin", "fw/c%3Aevil.bin", "fw/new%0Aline.bin", "fw/%20",
    };

    firmware.server.serveFolder (firmware.dataHome.createFolder ("served"));
    firmware.dataHome.get().getChildFile ("served/evil.bin").replaceWithText ("not firmware");

    for (auto* path : unsafePaths)
    {
        const auto download = downloadFirmwareImage (urlOf (path), getUpgraderDataFolder(), shortTimeoutMs);
        EXPECT_TRUE (download.result.failed()) << path;
    }

    EXPECT_TRUE (firmware.server.getRequestedPaths().isEmpty());
    EXPECT_TRUE (firmware.filesInDataFolder().isEmpty());
    EXPECT_EQ (firmware.filesInDataHome().size(), 1);      // the served file alone
}

TEST_F (FirmwareDownloadTest, DownloadToAGivenFileWritesItOnlyWhenTheImageCameWhole)
{
    TempFolder scratch;
    const auto target = scratch.get().getChildFile ("upload-image");
    const auto image = makeImage (3000, 5);

    firmware.server.setAnswer ("fw/a.bin", LocalHttpServer::text ("Server error", 500));
    EXPECT_TRUE (downloadFirmwareImageTo (urlOf ("fw/a.bin"), target, shortTimeoutMs).failed());
    EXPECT_EQ (scratch.get().getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);

    firmware.serveImage ("fw/a.bin", image);
    EXPECT_TRUE (downloadFirmwareImageTo (urlOf ("fw/a.bin"), target, shortTimeoutMs).wasOk());

    juce::MemoryBlock written;
    target.loadFileAsData (written);
    EXPECT_EQ (written, image);
    EXPECT_EQ (scratch.get().getNumberOfChildFiles (juce::File::findFilesAndDirectories), 1);
}

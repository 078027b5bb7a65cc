#include <gtest/gtest.h>
#include "firmware/list/FirmwareDownload.h"
#include "firmware/UpgraderPaths.h"
#include "support/LocalFirmwareServer.h"

using namespace halvik;
using sim::LocalHttpServer;

// Both ways of downloading an image: into the data folder under the server's
// name, and to a given file (the tool family's).

namespace
{
    // A stalled transfer is given up after this long without progress, any transfer at the deadline.
    constexpr int shortTimeoutMs = 1000, shortDeadlineMs = 3000;

    juce::MemoryBlock makeImage (size_t size, int seed)
    {
        juce::MemoryBlock image (size);
        juce::Random random (seed);
        random.fillBitsRandomly (image.getData(), image.getSize());
        return image;
    }

    juce::MemoryBlock contentOf (const juce::File& file)
    {
        juce::MemoryBlock bytes;
        file.loadFileAsData (bytes);
        return bytes;
    }

    struct FirmwareDownloadTest : ::testing::Test
    {
        FirmwareDownloadResult download (const juce::String& path) const
        {
            return downloadFirmwareImage (juce::URL (firmware.server.getBaseUrl() + path), getUpgraderDataFolder(), shortTimeoutMs, shortDeadlineMs);
        }

        juce::Result downloadTo (const juce::String& path) const
        {
            return downloadFirmwareImageTo (juce::URL (firmware.server.getBaseUrl() + path), target, shortTimeoutMs, shortDeadlineMs);
        }

        sim::LocalFirmwareServer firmware;
        TempFolder scratch;
        const juce::File target { scratch.get().getChildFile ("upload-image") };
    };
}

TEST_F (FirmwareDownloadTest, AWholeImageReplacesTheEarlierOneOfItsNameWhichAFailureLeavesAsItWas)
{
    const auto earlier = getUpgraderDataFolder().getChildFile ("dravel_49_v1.05.bin");
    earlier.replaceWithText ("the image downloaded last time");

    firmware.server.setAnswer ("fw/dravel_49_v1.05.bin", LocalHttpServer::text ("Not found", 404));
    EXPECT_TRUE (download ("fw/dravel_49_v1.05.bin").result.failed());
    EXPECT_EQ (earlier.loadFileAsString(), "the image downloaded last time");

    const auto image = makeImage (maxFirmwareImageBytes, 1);
    firmware.serveImage ("fw/dravel_49_v1.05.bin", image);

    const auto downloaded = download ("fw/dravel_49_v1.05.bin");
    ASSERT_TRUE (downloaded.result.wasOk()) << downloaded.result.getErrorMessage();
    EXPECT_EQ (firmware.filesInDataHome(), juce::Array<juce::File> { earlier });
    EXPECT_EQ (downloaded.file, earlier);
    EXPECT_EQ (contentOf (earlier), image);

    EXPECT_TRUE (downloadTo ("fw/dravel_49_v1.05.bin").wasOk());
    EXPECT_EQ (contentOf (target), image);
}

TEST_F (FirmwareDownloadTest, AnAnswerThatIsNoWholeImageLeavesNoFile)
{
    const auto image = makeImage (4000, 2);
    const auto oversized = makeImage (maxFirmwareImageBytes + 1, 3);
    const char badGateway[] = "<html>\r\n<head><title>502 Bad Gateway</title></head>\r\n<body>\r\n<center><h1>502 Bad Gateway</h1></center>\r\n</body>\r\n</html>\r\n";
    const char unlabelledPage[] = "\xEF\xBB\xBF \r\n\t<!DOCTYPE html><title>Bad Gateway</title>";

    // Each failing class once also for the download to a given file.
    struct Case { const char* what; LocalHttpServer::Answer answer; bool toAFileToo; };

    const Case cases[] =
    {
        { "not found page",          LocalHttpServer::text ("<html><body>Not here</body></html>", 404), true },
        { "server error page",       LocalHttpServer::text ("<html><body>Internal error</body></html>", 500), false },
        { "empty body",              LocalHttpServer::text ({}), true },
        { "transfer cut short",      LocalHttpServer::bytes (image, LocalHttpServer::Delivery::truncated), true },
        { "transfer stalled",        LocalHttpServer::bytes (image, LocalHttpServer::Delivery::stalled), false },
        { "too large",               LocalHttpServer::bytes (oversized), false },
        { "too large, unannounced",  LocalHttpServer::bytes (oversized, LocalHttpServer::Delivery::unannounced), true },
        { "error page, status 200",  LocalHttpServer::text (badGateway, 200, "text/html"), true },
        { "image labelled as text",  { 200, image, LocalHttpServer::Delivery::whole, "Text/Plain; charset=utf-8" }, false },
        { "page labelled as binary", LocalHttpServer::bytes ({ unlabelledPage, sizeof (unlabelledPage) - 1 }), true },
        { "past the deadline",       LocalHttpServer::bytes (image, LocalHttpServer::Delivery::dripping), false },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        firmware.server.setAnswer ("fw/r7_x_v2.01.bin", c.answer);

        const auto downloaded = download ("fw/r7_x_v2.01.bin");
        EXPECT_TRUE (downloaded.result.failed());
        EXPECT_FALSE (downloaded.file.exists());
        EXPECT_TRUE (firmware.filesInDataHome().isEmpty());

        if (c.toAFileToo)
        {
            EXPECT_TRUE (downloadTo ("fw/r7_x_v2.01.bin").failed());
            EXPECT_EQ (scratch.get().getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);
        }
    }
}

TEST_F (FirmwareDownloadTest, ServerNamesThatAreNoPlainFileNameAreRefusedBeforeAsking)
{
    const char* unsafePaths[] =
    {
        "fw/", "fw/.", "fw/%2e%2e", "fw/..%2F..%2Fevil.bin", "fw/..%2fevil.bin",
        "fw/sub%5Cevil.bin", "fw/c:evil.bin", "fw/c%3Aevil.bin", "fw/new%0Aline.bin", "fw/%20",
        "fw/abc%E2%82", "fw/x%F4%8F%BF",        // escapes of UTF-8 cut short
    };

    for (auto* path : unsafePaths)
        EXPECT_TRUE (download (path).result.failed()) << path;

    EXPECT_TRUE (firmware.server.getRequestedPaths().isEmpty());
    EXPECT_TRUE (firmware.filesInDataHome().isEmpty());
}

TEST_F (FirmwareDownloadTest, AnImageTheDiskHasNoRoomForFailsAndLeavesNoFile)
{
    struct Case { rlim_t room; size_t size; };
    const Case cases[] { { 4096, 8192 }, { 4096, 20000 }, { 4096, 2000000 }, { 0, 2000 } };

    for (auto& c : cases)
    {
        firmware.serveImage ("fw/r7_x_v2.01.bin", makeImage (c.size, 4));
        FirmwareDownloadResult downloaded;
        juce::Result toAFile { juce::Result::ok() };
        {
            ScopedFileSizeLimit limit (c.room);
            downloaded = download ("fw/r7_x_v2.01.bin");
            toAFile = downloadTo ("fw/r7_x_v2.01.bin");
        }

        EXPECT_TRUE (downloaded.result.getErrorMessage().startsWith ("Cannot create file in " + getUpgraderDataFolder().getFullPathName())) << c.size;
        EXPECT_TRUE (toAFile.getErrorMessage().startsWith ("Cannot create file in " + scratch.get().getFullPathName())) << c.size;
        EXPECT_TRUE (firmware.filesInDataHome().isEmpty()) << c.size;
        EXPECT_EQ (scratch.get().getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0) << c.size;
    }
}

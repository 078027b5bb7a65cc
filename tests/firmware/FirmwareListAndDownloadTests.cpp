#include <gtest/gtest.h>
#include "firmware/list/FirmwareDownload.h"
#include "firmware/list/FirmwareList.h"
#include "firmware/UpgraderPaths.h"
#include "support/LocalFirmwareServer.h"
#include "support/RawHttpServer.h"
#include "support/UpgraderFixture.h"

#include <functional>

using namespace halvik;
using sim::LocalHttpServer;
using Delivery = sim::LocalHttpServer::Delivery;

// The firmware list from the test's own server, and both ways of downloading
// an image: into the data folder under the server's name, and to a given file
// (the tool family's).

namespace
{
    // A stalled transfer is given up after this long without progress, any transfer at the deadline.
    constexpr int shortTimeoutMs = 1000, shortDeadlineMs = 3000;

    // The largest list and image taken, written out: the limits are what the tests check.
    constexpr size_t oneMiB = 1024 * 1024, twoMiB = 2 * 1024 * 1024;

    struct FirmwareServerTest : sim::ToolFamilyFixture
    {
        FirmwareDownloadResult download (const juce::String& path) const
        {
            return downloadFirmwareImage (juce::URL (firmware.server.getBaseUrl() + path), getUpgraderDataFolder(),
                                          shortTimeoutMs, shortDeadlineMs);
        }

        juce::Result downloadTo (const juce::String& path) const
        {
            return downloadFirmwareImageTo (juce::URL (firmware.server.getBaseUrl() + path), target,
                                            shortTimeoutMs, shortDeadlineMs);
        }

        sim::LocalFirmwareServer firmware;
        juce::ValueTree list { "firmwares" };
        TempFolder scratch;
        const juce::File target { scratch.get().getChildFile ("upload-image") };
    };

    using FirmwareListTest = FirmwareServerTest;
    using FirmwareDownloadTest = FirmwareServerTest;

    /** What a download says when the server sent the image in these codings. */
    juce::String compressedImageText (const juce::String& codings)
    {
        return "The server sent the file compressed (" + codings + "); Tavlo takes only uncompressed files";
    }
}

TEST_F (FirmwareListTest, KeepsTheProductsEntriesInDocumentOrder)
{
    firmware.server.setAnswer ("firmware.xml", LocalHttpServer::text (
        "<firmwares>"
        "<firmware pid=\"4130\" name=\"Dravel 49\" version=\"1.10\" fw=\"fw/dravel_49_v1.10.bin\"/>"
        "<firmware pid=\"4131\" name=\"Dravel 61\" version=\"1.99\" fw=\"fw/dravel_61_v1.99.bin\"/>"
        "<image pid=\"4130\" name=\"Dravel 49\" version=\"1.9\" fw=\"fw/dravel_49_v1.9.bin\"/>"
        "<firmware pid=\"abc\" name=\"Broken\" version=\"9.99\" fw=\"fw/broken.bin\"/>"
        "<firmware pid=\"4130\" name=\"Dravel 49\" version=\"V1.90\" fw=\"fw/dravel_49_v1.90.bin\"/>"
        "</firmwares>"));

    ASSERT_TRUE (fetchFirmwareList (4130, list).wasOk());

    juce::StringArray paths;

    for (const auto& entry : list)
        paths.add (entry["fw"].toString());

    EXPECT_EQ (paths, (juce::StringArray { "fw/dravel_49_v1.10.bin", "fw/dravel_49_v1.9.bin",
                                           "fw/dravel_49_v1.90.bin" }));

    // "1.10" reads as 1.1; of two equal versions the first is the newest.
    EXPECT_EQ (getNewestFirmwarePath (list), "fw/dravel_49_v1.9.bin");

    // One probe, then the read.
    EXPECT_EQ (firmware.server.getRequestedPaths(), (juce::StringArray { "firmware.xml", "firmware.xml" }));
}

TEST_F (FirmwareListTest, EachWayTheServerFailsHasItsMessage)
{
    const juce::String notWellFormed ("<firmwares><firmware pid=\"4130\" name=\"Dravel 49\" version=\"1.0");
    const auto validList = LocalHttpServer::text (sim::LocalFirmwareServer::listText ({ { 4130, "Dravel 49", "1.02",
                                                                                         "fw/a.bin" } }));

    // The valid list, with blanks after it up to this many bytes.
    const auto listOfSize = [&validList] (size_t size)
    {
        const auto blanks = juce::String::repeatedString (" ", (int) (size - validList.body.getSize()));
        return LocalHttpServer::text (validList.body.toString() + blanks);
    };

    // Whole only after 14 s, long past the deadline below, though never slow enough to stall.
    auto dripping = listOfSize (validList.body.getSize() + 4000);
    dripping.delivery = Delivery::dripping;
    const auto notFound = LocalHttpServer::text ("gone", 404);
    const auto compressed = validList.withHeader ("Content-Encoding", "gzip");

    struct Case { const char* what; std::vector<LocalHttpServer::Answer> answersInTurn; juce::String message;
                  int requests, failedProbes; };

    const Case cases[] =
    {
        { "not found",        { notFound }, "The firmware server is currently unavailable.", 3, 3 },
        { "third try",        { notFound, notFound, validList }, {}, 4, 2 },
        { "not modified",     { LocalHttpServer::text ({}, 304) }, "Error connecting to server", 2, 0 },
        { "malformed XML",    { LocalHttpServer::text (notWellFormed) }, "Error connecting to server", 2, 0 },
        { "the largest list", { listOfSize (oneMiB) }, {}, 2, 0 },
        { "list too large",   { listOfSize (oneMiB + 1) }, "Error connecting to server", 2, 0 },
        { "past the deadline", { dripping }, "Error connecting to server", 2, 0 },
        { "sent compressed",  { compressed },
                              "Error connecting to server: the server sent the list compressed (gzip)", 2, 0 },
        { "no entry for it",  { LocalHttpServer::text (sim::LocalFirmwareServer::listText ({
                                    { 4131, "Dravel 61", "1.09", "fw/b.bin" },
                                    { 2056, "R7-X1", "2.01", "fw/r7_x_v2.01.bin" } })) },
                              "No firmware matches in the server, please try again manually!", 2, 0 },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        firmware.server.setAnswers ("firmware.xml", c.answersInTurn);
        firmware.server.clearRequests();
        ports.clearTimeline();
        list = juce::ValueTree ("firmwares");

        EXPECT_EQ (fetchFirmwareList (4130, list, 3000).getErrorMessage(), c.message);
        EXPECT_EQ (firmware.server.countRequests ("firmware.xml"), c.requests);
        EXPECT_EQ (list.getNumChildren(), c.message.isEmpty() ? 1 : 0);
        EXPECT_TRUE (testsupport::dispatchUntil ([this] { return firmware.server.getAnswersInProgress() == 0; }))
            << "a connection left open";

        // Every failed probe is followed by the pause before the next try.
        const std::vector<juce::String> pauses ((size_t) c.failedProbes, "pause 50000");
        EXPECT_EQ (ports.describeTimeline(), juce::StringArray (pauses.data(), c.failedProbes));
    }
}

TEST_F (FirmwareListTest, EachProductAsksForItsListAndTheUnknownProductAsksNothing)
{
    // A server setting without its closing "/" still names a folder.
    firmware.environment.set ("TAVLO_FIRMWARE_SERVER", firmware.server.getBaseUrl().trimCharactersAtEnd ("/"));
    firmware.serveList ({ { 94, "Mixora C4", "1.10", "fw/mixora_c4_v1.10.bin" },
                          { 130, "Mixora C4 Pro", "1.20", "fw/mixora_c4_pro_v1.20.bin" } }, "firmware-special.xml");
    firmware.serveList ({ { 131, "Other", "1.00", "fw/other.bin" } });
    EXPECT_EQ (getFirmwareServerBase().toString (false), firmware.server.getBaseUrl()) << "the images' base too";

    const std::pair<int, const char*> asked[] =
    {
        { 130, "firmware-special.xml" }, { 94, "firmware-special.xml" }, { 131, "firmware.xml" },
    };

    for (auto& [product, path] : asked)
    {
        firmware.server.clearRequests();
        list = juce::ValueTree ("firmwares");
        EXPECT_TRUE (fetchFirmwareList (product, list).wasOk()) << product;
        EXPECT_EQ (firmware.server.getRequestedPaths(), (juce::StringArray { path, path })) << product;
    }

    for (int unknown : { 2000, -1 })
    {
        firmware.server.clearRequests();
        EXPECT_EQ (fetchFirmwareList (unknown, list).getErrorMessage(),
                   "Cannot fetch firmware details for Unknown product");
        EXPECT_TRUE (firmware.server.getRequestedPaths().isEmpty());
    }
}

TEST (FirmwareVersions, VersionIsReadFromTheCharacterBeforeTheDot)
{
    const std::pair<const char*, float> rows[] =
    {
        { "1.05", 1.05f }, { "2.1234", 2.123f }, { "V3.2", 3.2f }, { "12.5", 2.5f },
        { "105", 0.0f }, { ".5", 0.0f }, { "", 0.0f }, { "v.1.2", 0.0f },
    };

    for (auto& [text, value] : rows)
        EXPECT_FLOAT_EQ (parseVersionValue (text), value) << text;
}

TEST_F (FirmwareListTest, TheNoticeNamesTheFirstEntryForTheProductOrItsGroupOrShowsTheWarningAlone)
{
    struct Case { const char* what; std::function<void()> arrange; int product; bool fetchList; juce::String named; };

    const Case cases[] =
    {
        { "two entries", [this] { firmware.serveList ({ { 4130, "Dravel 49", "1.02", "fw/a.bin" },
                                                        { 4130, "Dravel 49", "1.05", "fw/b.bin" } }); },
          4130, true, "Dravel 49 V1.02 firmware is available!\n" },
        { "a group's",   [this] { firmware.serveList ({ { 2070, "R7-X5", "2.02", "fw/x5.bin" },
                                                        { 2056, "R7-X1", "2.01", "fw/x.bin" } }); },
          2070, true, "R7-X1 V2.01 firmware is available!\n" },
        { "nothing for it",     [this] { firmware.serveList ({ { 4131, "Dravel 61", "1.09", "fw/b.bin" } }); },
          4130, true, {} },
        { "unknown product",    [] {}, 2000, true, {} },
        { "list not wanted",    [this] { firmware.serveList ({ { 4130, "Dravel 49", "1.02", "fw/a.bin" } }); },
          4130, false, {} },
        { "server unavailable", [this] { firmware.server.stop(); }, 4130, true, {} },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        sim::ScriptedPrompts scripted;
        scripted.okCancelAnswers = { false };
        c.arrange();

        EXPECT_FALSE (showFirmwareAvailableNotice (c.product, c.fetchList)) << "Cancel declines";
        ASSERT_EQ (scripted.shown.size(), 1u);
        const auto& shown = scripted.shown[0];
        EXPECT_EQ (shown.kind + ": " + shown.title, "okCancel: Firmware Upgrader about to start");
        EXPECT_TRUE (shown.message.startsWith (c.named + "\n* IMPORTANT WARNING! *\n")) << shown.message;
    }

    EXPECT_TRUE (showFirmwareAvailableNotice (2000, false)) << "OK goes on";
}

TEST (FirmwareListReading, AListCutAnywhereIsReadWithoutHangingOrCrashing)
{
    const auto valid = sim::LocalFirmwareServer::listText ({
        { 4130, "Dravel 49", "1.02", "fw/dravel_49_v1.02.bin" },
        { 4131, "Dravel 61", "1.09", "fw/dravel_61_v1.09.bin" },
        { 4130, "Dravel 49", "V1.05", "fw/dravel_49_v1.05.bin" } });
    const juce::StringArray failures { "Error connecting to server",
                                       "No firmware matches in the server, please try again manually!" };

    for (int length = 0; length < valid.length(); ++length)
    {
        const auto input = valid.substring (0, length);
        juce::ValueTree list ("firmwares");
        const auto result = readFirmwareList ({ input.toRawUTF8(), input.getNumBytesAsUTF8() }, 4130, list);
        EXPECT_TRUE (result.wasOk() || failures.contains (result.getErrorMessage())) << input;
        juce::StringArray paths { "" };

        for (const auto& entry : list)
        {
            EXPECT_EQ ((int) entry["pid"], 4130) << input;
            paths.add (entry["fw"].toString());
        }

        EXPECT_TRUE (paths.contains (getNewestFirmwarePath (list))) << input;
    }
}

TEST (FirmwareListReading, ListsThatHungOrExhaustedMemoryAreRefusedAndLeaveTheListAsItWas)
{
    const juce::String entry ("<firmware pid=\"4130\" name=\"Dravel 49\" version=\"1.02\" fw=\"fw/a.bin\"");

    const juce::String hostile[] =
    {
        "<firmwares>" + entry + "/><?m?>x</firmwares>",
        "<firmwares>" + entry + " base64:x=\"2147483647.\"/></firmwares>",
    };

    for (auto& text : hostile)
    {
        juce::ValueTree list ("firmwares");
        list.appendChild (juce::ValueTree ("kept"), nullptr);

        EXPECT_EQ (readFirmwareList ({ text.toRawUTF8(), text.getNumBytesAsUTF8() }, 4130, list).getErrorMessage(),
                   "Error connecting to server") << text;
        EXPECT_TRUE (list.getNumChildren() == 1 && list.getChild (0).hasType ("kept")) << text;
    }
}

TEST_F (FirmwareDownloadTest, AWholeImageReplacesTheEarlierOneOfItsNameWhichAFailureLeavesAsItWas)
{
    const auto earlier = getUpgraderDataFolder().getChildFile ("dravel_49_v1.05.bin");
    earlier.replaceWithText ("the image downloaded last time");

    firmware.server.setAnswer ("fw/dravel_49_v1.05.bin", LocalHttpServer::text ("Not found", 404));
    EXPECT_TRUE (download ("fw/dravel_49_v1.05.bin").result.failed());
    EXPECT_EQ (earlier.loadFileAsString(), "the image downloaded last time");

    // As large as an image may be, and said to be sent as it is, in any case and between blanks.
    const auto image = randomBytes (twoMiB, 1);
    firmware.server.setAnswer ("fw/dravel_49_v1.05.bin", LocalHttpServer::bytes (image)
                                                              .withHeader ("Content-Encoding", " Identity "));

    const auto downloaded = download ("fw/dravel_49_v1.05.bin");
    ASSERT_TRUE (downloaded.result.wasOk()) << downloaded.result.getErrorMessage();
    EXPECT_EQ (firmware.filesInDataHome(), juce::Array<juce::File> { earlier });
    EXPECT_EQ (downloaded.file, earlier);
    EXPECT_EQ (contentOf (earlier.getFullPathName()), image);

    EXPECT_TRUE (downloadTo ("fw/dravel_49_v1.05.bin").wasOk());
    EXPECT_EQ (contentOf (target.getFullPathName()), image);

    // A server that is gone leaves it as it was too.
    firmware.server.stop();
    EXPECT_EQ (download ("fw/dravel_49_v1.05.bin").result.getErrorMessage(), "The server did not answer");
    EXPECT_EQ (contentOf (earlier.getFullPathName()), image);
}

TEST_F (FirmwareDownloadTest, AnAnswerThatIsNoWholeImageLeavesNoFile)
{
    const auto image = randomBytes (4000, 2);
    const auto oversized = randomBytes (twoMiB + 1, 3);
    const char badGateway[] = "<html>\r\n<head><title>502 Bad Gateway</title></head>\r\n<body>\r\n"
                              "<center><h1>502 Bad Gateway</h1></center>\r\n</body>\r\n</html>\r\n";
    const char unlabelledPage[] = "\xEF\xBB\xBF \r\n\t<!DOCTYPE html><title>Bad Gateway</title>";

    // The image, said to come in other codings than identity.
    const auto encoded = [&image] (const juce::String& headerName, const juce::String& codings)
    {
        return LocalHttpServer::bytes (image).withHeader (headerName, codings);
    };

    const auto twoCodingHeaders = encoded ("Content-Encoding", "identity").withHeader ("Content-Encoding", "gzip");
    const auto manyHeaders = encoded ("X-Padding", juce::String::repeatedString ("x", 70000));

    const juce::String brokeOff ("The transfer from the server broke off");
    const juce::String tooLarge ("The server's answer is larger than 2097152 bytes");
    const juce::String webPage ("The server sent a web page instead of a firmware image");

    // Each failing class once also for the download to a given file.
    struct Case { const char* what; LocalHttpServer::Answer answer; bool toAFileToo; juce::String message; };

    const Case cases[] =
    {
        { "not found page",          LocalHttpServer::text ("<html><body>Not here</body></html>", 404), true,
                                     "The server answered with status 404" },
        { "server error page",       LocalHttpServer::text ("<html><body>Internal error</body></html>", 500), false,
                                     "The server answered with status 500" },
        { "empty body",              LocalHttpServer::text ({}), true, "The server sent an empty file" },
        { "transfer cut short",      LocalHttpServer::bytes (image, Delivery::truncated), true, brokeOff },
        { "transfer stalled",        LocalHttpServer::bytes (image, Delivery::stalled), false, brokeOff },
        { "too large",               LocalHttpServer::bytes (oversized), false, tooLarge },
        { "too large, unannounced",  LocalHttpServer::bytes (oversized, Delivery::unannounced), true, tooLarge },
        { "error page, status 200",  LocalHttpServer::text (badGateway, 200, "text/html"), true, webPage },
        { "image labelled as text",  { 200, image, Delivery::whole, "Text/Plain; charset=utf-8" }, false, webPage },
        { "page labelled as binary", LocalHttpServer::bytes ({ unlabelledPage, sizeof (unlabelledPage) - 1 }), true,
                                     webPage },
        { "past the deadline",       LocalHttpServer::bytes (image, Delivery::dripping), false, brokeOff },
        { "compressed",              encoded ("Content-Encoding", "gzip"), true, compressedImageText ("gzip") },
        { "compressed, lower case",  encoded ("content-encoding", "br"), false, compressedImageText ("br") },
        { "compressed, then named",  encoded ("Content-Encoding", "deflate, identity"), false,
                                     compressedImageText ("deflate, identity") },
        { "compressed, old name",    encoded ("Content-Encoding", "x-gzip"), false, compressedImageText ("x-gzip") },
        { "two coding headers",      twoCodingHeaders, true, compressedImageText ("identity,gzip") },
        { "70 kB of headers",        manyHeaders, false, "The server's answer has more than 65536 bytes of headers" },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        firmware.server.setAnswer ("fw/r7_x_v2.01.bin", c.answer);

        const auto downloaded = download ("fw/r7_x_v2.01.bin");
        EXPECT_EQ (downloaded.result.getErrorMessage(), c.message);
        EXPECT_FALSE (downloaded.file.exists());
        EXPECT_TRUE (firmware.filesInDataHome().isEmpty());

        if (c.toAFileToo)
        {
            EXPECT_EQ (downloadTo ("fw/r7_x_v2.01.bin").getErrorMessage(), c.message);
            EXPECT_EQ (scratch.get().getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);
        }
    }
}

// Answers no HTTP library writes: the coding's header first (which JUCE's own
// header reading drops), without a blank after the colon, continued on a
// second line.
TEST_F (FirmwareDownloadTest, ACodingIsFoundWhereverAndHoweverTheServerWritesIt)
{
    // The headers before the length and the body; the body is taken when no message is expected.
    struct Case { const char* what; juce::String headers, message; };

    const Case cases[] =
    {
        { "first",           "Content-Encoding: gzip\r\n", compressedImageText ("gzip") },
        { "no blank",        "Server: raw\r\nContent-Encoding:br\r\n", compressedImageText ("br") },
        { "continued",       "Server: raw\r\nContent-Encoding: identity,\r\n gzip\r\n",
                             compressedImageText ("identity, gzip") },
        // An empty list of codings names none: the body is as it travelled.
        { "an empty coding", "Server: raw\r\nContent-Encoding:\r\n", {} },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        sim::RawHttpServer server ("HTTP/1.1 200 OK\r\n" + c.headers + "Content-Length: 4\r\n\r\nabcd");

        const auto result = downloadFirmwareImageTo (juce::URL (server.getBaseUrl() + "fw/r7_x_v2.01.bin"), target,
                                                     shortTimeoutMs, shortDeadlineMs);
        EXPECT_EQ (result.getErrorMessage(), c.message);
        EXPECT_EQ (target.loadFileAsString(), c.message.isEmpty() ? "abcd" : "");
        target.deleteFile();
    }
}

TEST_F (FirmwareDownloadTest, ServerNamesThatAreNoPlainFileNameAreRefusedBeforeAsking)
{
    const char* unsafePaths[] =
    {
        "fw/", "fw/.", "fw/%2e%2e", "fw/..%2F..%2Fevil.bin", "fw/..%2fevil.bin",
        "fw/sub%5Cevil.bin", "fw/c:evil.bin", "fw/c%3Aevil.bin", "fw/new%0Aline.bin", "fw/%20",
        "fw/abc%E2%82", "fw/x%F4%8F%BF",        // escapes of UTF-8 cut short
        "fw/abc%E2", "fw/abc%C3",               // a sequence's first byte alone at the end
        "fw/del%7F.bin",                        // a control character
        "fw/%ED%A0%80.bin", "fw/%E0%81%81.bin", "fw/%F4%90%80%80.bin",  // a surrogate, overlong, past U+10FFFF
    };

    for (auto* path : unsafePaths)
        EXPECT_TRUE (download (path).result.failed()) << path;

    EXPECT_TRUE (firmware.server.getRequestedPaths().isEmpty());
    EXPECT_TRUE (firmware.filesInDataHome().isEmpty());
}

TEST_F (FirmwareDownloadTest, RedirectsAreFollowedUpToFiveTimes)
{
    // "fw/<n>.bin" sends the client on to "fw/<n - 1>.bin"; "fw/0.bin" is the image.
    const auto image = randomBytes (3000, 5);
    firmware.serveImage ("fw/0.bin", image);

    for (int hop = 1; hop <= 6; ++hop)
        firmware.server.setAnswer ("fw/" + juce::String (hop) + ".bin", LocalHttpServer::text ("moved", 302)
                                       .withHeader ("Location", "/fw/" + juce::String (hop - 1) + ".bin"));

    EXPECT_TRUE (downloadTo ("fw/5.bin").wasOk());
    EXPECT_EQ (contentOf (target.getFullPathName()), image);
    EXPECT_EQ (downloadTo ("fw/6.bin").getErrorMessage(), "The server answered with status 302");
}

TEST_F (FirmwareDownloadTest, AnImageTheDiskHasNoRoomForFailsAndLeavesNoFile)
{
    struct Case { rlim_t room; size_t size; };
    const Case cases[] { { 4096, 8192 }, { 4096, 20000 }, { 4096, 2000000 }, { 0, 2000 } };

    for (auto& c : cases)
    {
        firmware.serveImage ("fw/r7_x_v2.01.bin", randomBytes (c.size, 4));
        FirmwareDownloadResult downloaded;
        juce::Result toAFile { juce::Result::ok() };
        {
            ScopedFileSizeLimit limit (c.room);
            downloaded = download ("fw/r7_x_v2.01.bin");
            toAFile = downloadTo ("fw/r7_x_v2.01.bin");
        }

        const auto dataFolder = getUpgraderDataFolder().getFullPathName();
        EXPECT_TRUE (downloaded.result.getErrorMessage().startsWith ("Cannot create file in " + dataFolder)) << c.size;
        EXPECT_TRUE (toAFile.getErrorMessage().startsWith ("Cannot create file in " + scratch.get().getFullPathName()))
            << c.size;
        EXPECT_TRUE (firmware.filesInDataHome().isEmpty()) << c.size;
        EXPECT_EQ (scratch.get().getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0) << c.size;
    }
}

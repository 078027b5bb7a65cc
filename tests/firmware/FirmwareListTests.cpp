#include <gtest/gtest.h>
#include "firmware/list/FirmwareList.h"
#include "support/LocalFirmwareServer.h"
#include "support/UpgraderFixture.h"

#include <functional>

using namespace halvik;
using sim::LocalHttpServer;

namespace
{
    const juce::String warningText ("\n* IMPORTANT WARNING! *\n\nFAILURE TO FOLLOW THESE INSTRUCTIONS COULD DAMAGE YOUR DEVICE!!\n\n"
                                    "- Connect ONLY the device you want to update\n- Make sure the power supply is connected (if any)\n"
                                    "- Connect device directly to computer (no hub)\n- Do not touch device during firmware update\n"
                                    "- Do not close command-line windows during update");

    struct FirmwareListTest : sim::UpgraderFixture
    {
        sim::LocalFirmwareServer firmware;
        juce::ValueTree list { "firmwares" };
    };
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

    EXPECT_EQ (paths, (juce::StringArray { "fw/dravel_49_v1.10.bin", "fw/dravel_49_v1.9.bin", "fw/dravel_49_v1.90.bin" }));

    // "1.10" reads as 1.1; of two equal versions the first is the newest.
    EXPECT_EQ (getNewestFirmwarePath (list), "fw/dravel_49_v1.9.bin");

    // One probe, then the read.
    EXPECT_EQ (firmware.server.getRequestedPaths(), (juce::StringArray { "firmware.xml", "firmware.xml" }));
}

TEST_F (FirmwareListTest, EachWayTheServerFailsHasItsMessage)
{
    const juce::String notWellFormed ("<firmwares><firmware pid=\"4130\" name=\"Dravel 49\" version=\"1.0");

    // A valid list a little over the limit, made of entries for the product.
    const juce::String entry ("<firmware pid=\"4130\" name=\"Dravel 49\" version=\"1.02\" fw=\"fw/dravel_49_v1.02.bin\"/>");
    const auto oversized = "<firmwares>" + juce::String::repeatedString (entry, (int) maxFirmwareListBytes / entry.length() + 1) + "</firmwares>";

    const auto validList = LocalHttpServer::text (sim::LocalFirmwareServer::listText ({ { 4130, "Dravel 49", "1.02", "fw/a.bin" } }));
    // Whole only after 14 s, long past the deadline below, though never slow enough to stall.
    auto dripping = LocalHttpServer::text (validList.body.toString() + juce::String::repeatedString (" ", 4000));
    dripping.delivery = LocalHttpServer::Delivery::dripping;
    const auto notFound = LocalHttpServer::text ("gone", 404);

    struct Case { const char* what; std::vector<LocalHttpServer::Answer> answersInTurn; juce::String message; int requests, failedProbes; };

    const Case cases[] =
    {
        { "not found",        { notFound }, "The firmware server is currently unavailable.", 3, 3 },
        { "third try",        { notFound, notFound, validList }, {}, 4, 2 },
        { "not modified",     { LocalHttpServer::text ({}, 304) }, "Error connecting to server", 2, 0 },
        { "malformed XML",    { LocalHttpServer::text (notWellFormed) }, "Error connecting to server", 2, 0 },
        { "broken transfer",  { validList, LocalHttpServer::bytes (validList.body, LocalHttpServer::Delivery::truncated) },
                              "Error connecting to server", 2, 0 },
        { "list too large",   { LocalHttpServer::text (oversized) }, "Error connecting to server", 2, 0 },
        { "past the deadline", { dripping }, "Error connecting to server", 2, 0 },
        { "no entry for it",  { LocalHttpServer::text (sim::LocalFirmwareServer::listText ({ { 4131, "Dravel 61", "1.09", "fw/b.bin" },
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
        EXPECT_TRUE (testsupport::dispatchUntil ([this] { return firmware.server.getAnswersInProgress() == 0; })) << "a connection left open";

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
        EXPECT_EQ (fetchFirmwareList (unknown, list).getErrorMessage(), "Cannot fetch firmware details for Unknown product");
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
        { "two entries", [this] { firmware.serveList ({ { 4130, "Dravel 49", "1.02", "fw/a.bin" }, { 4130, "Dravel 49", "1.05", "fw/b.bin" } }); },
          4130, true, "Dravel 49 V1.02 firmware is available!\n" },
        { "a group's",   [this] { firmware.serveList ({ { 2070, "R7-X5", "2.02", "fw/x5.bin" }, { 2056, "R7-X1", "2.01", "fw/x.bin" } }); },
          2070, true, "R7-X1 V2.01 firmware is available!\n" },
        { "nothing for it",     [this] { firmware.serveList ({ { 4131, "Dravel 61", "1.09", "fw/b.bin" } }); }, 4130, true, {} },
        { "unknown product",    [] {}, 2000, true, {} },
        { "list not wanted",    [this] { firmware.serveList ({ { 4130, "Dravel 49", "1.02", "fw/a.bin" } }); }, 4130, false, {} },
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
        EXPECT_EQ (scripted.shown[0].kind + ": " + scripted.shown[0].title, "okCancel: Firmware Upgrader about to start");
        EXPECT_EQ (scripted.shown[0].message, c.named + warningText);
    }

    EXPECT_TRUE (showFirmwareAvailableNotice (2000, false)) << "OK goes on";
}

TEST (FirmwareListReading, AListCutAnywhereIsReadWithoutHangingOrCrashing)
{
    const auto valid = sim::LocalFirmwareServer::listText ({ { 4130, "Dravel 49", "1.02", "fw/dravel_49_v1.02.bin" },
                                                             { 4131, "Dravel 61", "1.09", "fw/dravel_61_v1.09.bin" },
                                                             { 4130, "Dravel 49", "V1.05", "fw/dravel_49_v1.05.bin" } });
    const juce::StringArray failures { "Error connecting to server", "No firmware matches in the server, please try again manually!" };

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
    juce::String eightHuge ("<firmwares><firmware pid=\"4130\"");

    for (auto name : { "a", "b", "c", "d", "e", "f", "g", "h" })
        eightHuge << " base64:" << name << "=\"2147483647.\"";

    const juce::String hostile[] =
    {
        "<firmwares>" + entry + "/><?m?>x</firmwares>",
        "<firmwares>" + entry + " base64:x=\"-1.\"/></firmwares>",
        "<firmwares>" + entry + " base64:x=\"2147483647.\"/></firmwares>",
        eightHuge + "/></firmwares>",
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

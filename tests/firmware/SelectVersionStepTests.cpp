#include <gtest/gtest.h>

#include "support/LocalFirmwareServer.h"
#include "support/UpgraderFixture.h"

#include "firmware/window/UpgraderDialogWindow.h"

using namespace halvik;
using sim::LocalHttpServer;

// The Select-version step against the test's own firmware server: which
// version it offers, whether the chooser waits for the user, and what a failed
// download or a refused file leaves behind.

namespace
{
    using Icon = juce::MessageBoxIconType;

    constexpr juce::int64 firmwareAddress = 0x60010000;
    const std::string upgraded ("Your firmware has been upgraded!");

    struct SelectVersionStep : sim::UpgradeStepsFixture
    {
        SelectVersionStep()  { prompts.dialogAnswer = std::ref (user); }

        sim::LocalFirmwareServer firmware;
        sim::ChooserUser user;
    };
}

TEST_F (SelectVersionStep, TheChooserConfirmsItselfUnlessANewerVersionWaitsFurtherDownAndAUnitUpToDateIsTold)
{
    using Entry = sim::LocalFirmwareServer::Entry;
    const Entry r7x200 { 2056, "R7 X", "2.00", "fw/r7_x_v2.00.bin" }, r7x201 { 2056, "R7 X", "2.01", "fw/r7_x_v2.01.bin" };

    struct Row { const char* what; int product; std::initializer_list<Entry> list; const char* unitVersion;
                 int dialogs, waits, downloads; std::vector<std::string> messages; int stepAfter; bool stillInBootloader; };

    // A tool-family unit leaves its bootloader through the tool once it is flashed or up to date.
    const Row rows[] {
        { "the only entry, which the unit has", 2056, { r7x201 }, "2.01", 1, 0, 1, { upgraded }, 1, false },
        { "a newer entry after an older one",   2056, { r7x200, { 2056, "R7 X", "2.05", "fw/r7_x_v2.05.bin" } }, "2.01", 1, 1, 0, {}, 4, true },
        { "the newest entry, which the unit has, after an older one", 2056, { r7x200, r7x201 }, "2.01", 0, 0, 0,
          { "Your device is up-to-date." }, 6, false },
        { "a keyboard that has the only version", 4130, { { 4130, "Dravel 49", "1.05", "fw/dravel_49_v1.05.bin" } }, "1.05", 0, 0, 0,
          { "Your unit is up-to-date!" }, 1, false },
    };

    for (auto& row : rows)
    {
        SCOPED_TRACE (row.what);
        firmware.server.clearRequests();
        firmware.serveList (row.list);
        firmware.serveImage ("fw/r7_x_v2.01.bin", contentOf (makeImage ("image.bin", 3000)));
        prompts.shown.clear();
        user = {};
        user.button = "Cancel";

        auto window = readyWindow (row.product, row.unitVersion);
        ASSERT_TRUE (autoAdvance);
        window->stepSelectFirmware (1);

        EXPECT_EQ (dialogs().size(), (size_t) row.dialogs);
        EXPECT_EQ (user.waits, row.waits);
        const auto requested = firmware.server.getRequestedPaths();
        EXPECT_EQ (std::count_if (requested.begin(), requested.end(), [] (auto& path) { return path.startsWith ("fw/"); }), row.downloads);
        EXPECT_EQ (messages(), row.messages);
        EXPECT_EQ (window->getStep(), row.stepAfter);
        EXPECT_EQ (toolModeEntered, row.stillInBootloader);
    }
}

TEST_F (SelectVersionStep, AFailedDownloadIsToldWithItsReasonLeavesNoFileAndTheUsersOwnFileIsTakenAndKept)
{
    const auto served = contentOf (makeImage ("served.bin", 4000, 3));
    const auto notFoundPage = LocalHttpServer::text ("<html><body>Not Found</body></html>", 404);
    const auto errorPage = LocalHttpServer::text ("<!DOCTYPE html><html><body><h1>502 Bad Gateway</h1></body></html>", 200, "text/html");

    const struct { const char* what; int product; const char* fw; LocalHttpServer::Answer answer; int requests; } rows[] {
        { "not found page",                   2056, "fw/r7_x_v2.01.bin",           notFoundPage,                                                          1 },
        { "an error page as the image",       2056, "fw/r7_x_v2.01.bin",           errorPage,                                                             1 },
        { "transfer cut short",               2056, "fw/r7_x_v2.01.bin",           LocalHttpServer::bytes (served, LocalHttpServer::Delivery::truncated), 1 },
        { "name leading elsewhere",           2056, "fw/..%2F..%2Fr7_x_v2.01.bin", LocalHttpServer::bytes (served),                                       0 },
        { "a MIDI unit's, tried three times", 94,   "fw/mixora_c4_v2.10.bin",      notFoundPage,                                                          3 },
    };

    for (auto& row : rows)
    {
        SCOPED_TRACE (row.what);
        sim::FlashToolStandIn unit;
        prompts.shown.clear();
        firmware.serveList ({ { row.product, "Unit", "2.01", row.fw } }, row.product == 94 ? "firmware-special.xml" : "firmware.xml");
        firmware.server.clearRequests();
        firmware.server.setAnswer (row.fw, row.answer);

        const juce::File ownFile (makeImage (row.product == 94 ? "mixora_c4_v2.10.bin" : "r7_x_v2.01.bin", 3000, 4));
        const auto ownImage = contentOf (ownFile.getFullPathName());
        prompts.fileAnswers = { ownFile };

        auto window = readyWindow (row.product, "2.00");
        autoAdvance = row.product == 2056;   // the tool family runs on to the flash; the MIDI unit's choice stays its own
        window->stepSelectFirmware (1);

        EXPECT_EQ (firmware.server.countRequests (row.fw), row.requests);
        EXPECT_EQ (prompts.ofKind ("file").size(), 1u) << "the user is asked for a file instead";
        EXPECT_TRUE (firmware.filesInDataHome().isEmpty()) << "no partial or wrong file anywhere";
        const auto taken = window->midiHandler->getImage();
        EXPECT_EQ (row.product == 94 ? juce::MemoryBlock (taken.data(), taken.size()) : unit.flashBytes (firmwareAddress, ownImage.getSize()),
                   ownImage) << "the user's file, never the server's answer";
        EXPECT_EQ (contentOf (ownFile.getFullPathName()), ownImage) << "the user's file stays";

        // Before the file chooser, the failure and its reason; then, for the tool family, the upgrade's end.
        const auto shown = prompts.ofKind ("message");
        ASSERT_EQ (shown.size(), row.product == 2056 ? 2u : 1u);
        EXPECT_EQ (box (shown[0].icon, shown[0].title, shown[0].message.upToFirstOccurrenceOf ("\n\n", false, false)),
                   box (Icon::WarningIcon, "Firmware Download", "Could not download firmware file"));
        EXPECT_TRUE (shown[0].message.fromFirstOccurrenceOf ("\n\n", false, false).isNotEmpty()) << "the reason";

        if (row.product == 2056)
            EXPECT_EQ (box (shown[1].icon, shown[1].title, shown[1].message), box (Icon::InfoIcon, "Firmware Upgrade Succeeded", upgraded));
    }
}

TEST_F (SelectVersionStep, AChosenFileThatIsEmptyOrForAnotherModelIsRefusedBeforeAnythingReachesTheUnit)
{
    const juce::MemoryBlock oldFirmware (8192, true);
    const char* notMatching = "Not the matching firmware!";
    const char* empty = "The firmware file is empty!";

    // Files are checked against the model the unit's upgrade port told (186 and 2052 share one).
    // The refusal is the box shown ("" for none); a file taken has none.
    const struct { int product, settledOn; const char* file; int size; bool autoAdvancing; const char* refusal; } rows[] {
        { 2056, 2056, "r7_x_v3.00.bin",           0,   true,  empty },
        { 94,   94,   "mixora_c4_v3.00.bin",      0,   true,  empty },
        { 94,   94,   "dravel_49_v3.00.bin",      600, false, notMatching },
        { 94,   94,   "dravel_49_v3.00.bin",      600, true,  "" },            // no box stops a unit that runs on by itself
        { 2052, 186,  "faderon_air_rx_v1.10.bin", 600, false, notMatching },
        { 2052, 186,  "faderon_air_v1.10.bin",    600, false, nullptr },
        { 186,  2052, "faderon_air_v1.10.bin",    600, false, notMatching },
        { 186,  2052, "faderon_air_rx_v1.10.bin", 600, false, nullptr },
    };

    for (auto& row : rows)
    {
        SCOPED_TRACE (row.file);
        sim::FlashToolStandIn toolUnit;
        toolUnit.putFlashBytes (firmwareAddress, oldFirmware);
        units.clear();
        auto& midiUnit = addUnit (linuxUnit ("Mixora C4", 94, false, true));

        auto window = readyWindow (row.product, "2.00", &midiUnit, {}, false);
        window->currentProductId = row.settledOn;
        midiUnit.clearRecords();
        prompts.shown.clear();
        prompts.fileAnswers = { juce::File (makeImage (row.file, row.size)) };
        autoAdvance = row.autoAdvancing;

        window->stepSelectFirmware (1);

        const bool refused = row.refusal != nullptr;
        EXPECT_EQ (messages(), ! refused || *row.refusal == 0 ? std::vector<std::string>() : std::vector<std::string> { row.refusal });
        EXPECT_EQ (window->midiHandler->getImage().size(), refused ? 0u : (size_t) row.size);
        EXPECT_TRUE (toolUnit.flashBytes (firmwareAddress, 8192) == oldFirmware) << "the old firmware stays";
        EXPECT_FALSE (toolUnit.describeRuns().joinIntoString ("\n").contains ("erase"));
        EXPECT_TRUE (midiUnit.received().empty());
    }
}

TEST_F (SelectVersionStep, TheSystemsFileChooserKeepsTheUpgradeWindowFromClosingWhileItRuns)
{
    // JUCE runs the system's file chooser, a process of its own, when it finds one on the PATH.
    TempFolder tools;
    SystemFileChooserStandIn systemChooser (tools.get());
    ScopedEnvironment environment;
    environment.set ("PATH", tools.get().getFullPathName() + ":/usr/bin:/bin");
    environment.unset ("KDE_FULL_SESSION");
    auto* scripted = UpgraderPrompts::setCurrent (nullptr);

    FirmwareUpgradeComponent window (4130, false);
    UpgraderDialogWindow dialog ("Firmware Upgrade", window, nullptr, false);
    dialog.setVisible (true);
    autoAdvance = false;
    activatedMarker = 1;

    bool blockedWhileChoosing = false, stayedOpen = false;
    testsupport::WhileADialogRuns during ([&] { return systemChooser.isRunning(); },
                                          [&]
                                          {
                                              blockedWhileChoosing = window.isCurrentlyBlockedByAnotherModalComponent();
                                              dialog.getPeer()->handleUserClosingWindow();
                                              stayedOpen = dialog.isVisible();
                                          },
                                          [&] { systemChooser.answerWith (juce::File (makeImage ("dravel_49_v1.05.bin", 600))); });

    EXPECT_EQ (window.stepSelectFirmware (1), 1);
    UpgraderPrompts::setCurrent (scripted);

    EXPECT_TRUE (blockedWhileChoosing);
    EXPECT_TRUE (stayedOpen);
    EXPECT_EQ (window.getStep(), 5) << "the chosen file was taken";

    dialog.getPeer()->handleUserClosingWindow();
    EXPECT_FALSE (dialog.isVisible()) << "closes once the chooser has gone";
}

TEST_F (SelectVersionStep, AClickWhileTheClosingToolResetRunsStartsNoStep)
{
    sim::StepWindow window (2056, false);
    toolModeEntered = true;
    prompts.fileAnswers = { juce::File (makeImage ("r7_x_v2.01.bin", 3000)) };

    sim::MessageWatch duringTheReset ([&] { return tool.describeRuns().size() == 1; },
                                      [&] { window->getStepButton (0).triggerClick(); });

    window->stepSelectFirmware (1);

    EXPECT_TRUE (duringTheReset.hasFired());
    EXPECT_EQ (sim::texts (tool.describeRuns()), std::vector<std::string> { "-u -- reset" });
    EXPECT_EQ (messages(), std::vector<std::string> { "OK" });
    EXPECT_EQ (window->getStep(), 6);
}

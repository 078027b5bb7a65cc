#include <gtest/gtest.h>

#include "support/FirmwareChooserUser.h"
#include "support/LocalFirmwareServer.h"
#include "support/MessageWatch.h"
#include "support/ScopedEnvironment.h"
#include "support/StepWindow.h"
#include "support/SystemFileChooserStandIn.h"
#include "support/UpgradeStepsFixture.h"
#include "support/WhileADialogRuns.h"

#include "firmware/UpgraderState.h"
#include "firmware/midi/UpgraderMidiHandler.h"
#include "firmware/window/UpgraderDialogWindow.h"

using namespace halvik;
using sim::LocalHttpServer;

// The Select-version step against the test's own firmware server: which
// version it offers, whether the chooser waits for the user, and what a failed
// download leaves behind.

namespace
{
    constexpr juce::int64 firmwareAddress = 0x60010000;

    struct SelectVersionStep : sim::UpgradeStepsFixture
    {
        SelectVersionStep()  { prompts.dialogAnswer = std::ref (user); }

        /** The window as Start, Enter and Activate leave it for a unit whose
            version reads as given (the tool family keeps it as text, the
            MIDI families as a number). */
        std::unique_ptr<FirmwareUpgradeComponent> makeWindow (int product, const juce::String& unitVersion,
                                                              bool serverList = true)
        {
            auto window = std::make_unique<FirmwareUpgradeComponent> (product, serverList);
            window->deviceReplyText = unitVersion;
            window->startVersion = unitVersion.getFloatValue();
            window->setStep (3);
            activatedMarker = 1;
            toolModeEntered = toolFamilyActive;
            return window;
        }

        sim::LocalFirmwareServer firmware;
        sim::FirmwareChooserUser user;
    };
}

TEST_F (SelectVersionStep, TheToolFamilysChooserConfirmsItselfUnlessANewerVersionWaitsFurtherDown)
{
    using Entry = sim::LocalFirmwareServer::Entry;

    struct Row
    {
        const char* what;
        std::initializer_list<Entry> list;
        int waitedForUser, downloads;
    };

    const Row rows[] {
        { "the only entry, which the unit has", { { 2056, "R7 X", "2.01", "fw/r7_x_v2.01.bin" } },  0, 1 },
        { "a newer entry after an older one",   { { 2056, "R7 X", "2.00", "fw/r7_x_v2.00.bin" },
                                                  { 2056, "R7 X", "2.05", "fw/r7_x_v2.05.bin" } },  1, 0 },
    };

    for (auto& row : rows)
    {
        SCOPED_TRACE (row.what);
        firmware.server.clearRequests();
        firmware.serveList (row.list);
        firmware.serveImage ("fw/r7_x_v2.01.bin", sim::ToolFamilyFixture::contentOf (makeImage ("image.bin", 3000)));
        user = {};
        user.answer = sim::FirmwareChooserUser::Answer::cancel;

        auto window = makeWindow (2056, "2.01");
        ASSERT_TRUE (autoAdvance);
        window->stepSelectFirmware (1);

        EXPECT_EQ (user.timesWaitedForUser, row.waitedForUser);
        int downloads = 0;

        for (auto& path : firmware.server.getRequestedPaths())
            downloads += path.startsWith ("fw/") ? 1 : 0;

        EXPECT_EQ (downloads, row.downloads);
    }
}

TEST_F (SelectVersionStep, AFailedToolFamilyDownloadLeavesNoFileAndTheUsersOwnFileIsFlashedAndKept)
{
    const auto served = sim::ToolFamilyFixture::contentOf (makeImage ("served.bin", 4000, 3));

    const struct { const char* what; const char* fw; LocalHttpServer::Answer answer; } rows[] {
        { "not found page",         "fw/r7_x_v2.01.bin",           LocalHttpServer::text ("<html><body>Not Found</body></html>", 404) },
        { "transfer cut short",     "fw/r7_x_v2.01.bin",           LocalHttpServer::bytes (served, LocalHttpServer::Delivery::truncated) },
        { "name leading elsewhere", "fw/..%2F..%2Fr7_x_v2.01.bin", LocalHttpServer::bytes (served) },
    };

    for (auto& row : rows)
    {
        SCOPED_TRACE (row.what);
        sim::FlashToolStandIn unit;
        prompts.shown.clear();
        firmware.serveList ({ { 2056, "R7 X", "2.01", row.fw } });
        firmware.server.setAnswer (row.fw, row.answer);

        const juce::File ownFile (makeImage ("r7_x_v2.01.bin", 3000, 4));
        const auto ownImage = contentOf (ownFile.getFullPathName());
        prompts.fileAnswers = { ownFile };

        makeWindow (2056, "2.00")->stepSelectFirmware (1);

        EXPECT_EQ (prompts.ofKind ("file").size(), 1u) << "the user is asked for a file instead";
        EXPECT_TRUE (firmware.filesInDataHome().isEmpty()) << "no partial or wrong file anywhere";
        EXPECT_EQ (unit.flashBytes (firmwareAddress, ownImage.getSize()), ownImage) << "the user's file, never the server's answer";
        EXPECT_EQ (prompts.messages(), juce::StringArray ("Your firmware has been upgraded!"));
        EXPECT_EQ (contentOf (ownFile.getFullPathName()), ownImage) << "the user's file stays";
    }
}

TEST_F (SelectVersionStep, AMidiDownloadThatFailsThreeTimesIsReportedAndNeverTakenForAnImage)
{
    firmware.serveList ({ { 94, "Mixora C4", "2.10", "fw/mixora_c4_v2.10.bin" } }, "firmware-special.xml");
    firmware.server.setAnswer ("fw/mixora_c4_v2.10.bin", LocalHttpServer::text ("<html><body>Not Found</body></html>", 404));
    auto window = makeWindow (94, "2.00");

    EXPECT_EQ (window->stepSelectFirmware (1), -1) << "the file chooser that follows is cancelled";

    EXPECT_EQ (firmware.server.countRequests ("fw/mixora_c4_v2.10.bin"), 3);
    ASSERT_EQ (prompts.ofKind ("message").size(), 1u);
    EXPECT_EQ (prompts.ofKind ("message")[0].title, "Firmware Download");
    EXPECT_EQ (prompts.ofKind ("message")[0].message, "Could not download firmware file");
    EXPECT_EQ (prompts.ofKind ("file").size(), 1u);
    EXPECT_TRUE (window->midiHandler->getImage().empty());
}

TEST_F (SelectVersionStep, AnAutoAdvancingMidiUnitThatHasTheOnlyVersionIsUpToDateAndBackAtStepOne)
{
    firmware.serveList ({ { 4130, "Dravel 49", "1.05", "fw/dravel_49_v1.05.bin" } });
    auto window = makeWindow (4130, "1.05");
    ASSERT_TRUE (autoAdvance);

    EXPECT_EQ (window->stepSelectFirmware (1), 1);

    EXPECT_TRUE (prompts.ofKind ("dialog").empty());
    EXPECT_EQ (prompts.messages(), juce::StringArray ("Your unit is up-to-date!"));
    EXPECT_EQ (window->getStep(), 1);
    EXPECT_EQ (selectedMarker, 0) << "Upgrade cannot run from here";
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

TEST_F (SelectVersionStep, AnEmptyImageIsRefusedBeforeAnythingReachesTheUnit)
{
    const juce::MemoryBlock oldFirmware (8192, true);

    for (auto row : { std::pair { 2056, "r7_x_v3.00.bin" }, std::pair { 94, "mixora_c4_v3.00.bin" } })
    {
        SCOPED_TRACE (row.second);
        sim::FlashToolStandIn toolUnit;
        toolUnit.putFlashBytes (firmwareAddress, oldFirmware);
        units.clear();
        prompts.shown.clear();
        auto& midiUnit = addUnit (linuxUnit ("Mixora C4", 94, false, true));

        auto window = makeWindow (row.first, "2.00", false);
        window->openTargetMidiDevices (midiUnit.outputName(), 0);
        midiUnit.clearRecords();
        prompts.fileAnswers = { juce::File (makeImage (row.second, 0)) };
        autoAdvance = true;   // nothing stands between the file and the unit

        window->stepSelectFirmware (1);

        EXPECT_EQ (messages(), std::vector<std::string> { "The firmware file is empty!" });
        EXPECT_TRUE (toolUnit.flashBytes (firmwareAddress, 8192) == oldFirmware) << "the old firmware stays";
        EXPECT_FALSE (toolUnit.describeRuns().joinIntoString ("\n").contains ("erase"));
        EXPECT_TRUE (midiUnit.received().empty());
    }
}

TEST_F (SelectVersionStep, AClickWhileTheClosingToolResetRunsStartsNoStep)
{
    sim::StepWindow window (2056, false);
    autoAdvance = false;
    toolModeEntered = true;
    prompts.fileAnswers = { juce::File (makeImage ("r7_x_v2.01.bin", 3000)) };

    sim::MessageWatch duringTheReset ([&] { return tool.describeRuns().size() == 1; },
                                      [&] { window->getStepButton (0).triggerClick(); });

    window->stepSelectFirmware (1);

    EXPECT_TRUE (duringTheReset.hasFired());
    EXPECT_EQ (toolRuns(), std::vector<std::string> { "-u -- reset" });
    EXPECT_EQ (messages(), std::vector<std::string> { "OK" });
    EXPECT_EQ (window->getStep(), 6);
}

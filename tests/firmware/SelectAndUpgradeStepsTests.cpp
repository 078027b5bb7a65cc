#include <gtest/gtest.h>

#include "support/LocalFirmwareServer.h"
#include "support/UpgraderFixture.h"

#include "firmware/window/UpgraderDialogWindow.h"
#include "firmware/window/UpgraderEntry.h"

using namespace halvik;
using sim::LocalHttpServer;

// The steps that choose and write the firmware, against the test's own
// firmware server, and a whole upgrade from the upgrader's entry.

namespace
{
    using Icon = juce::MessageBoxIconType;
    using Phase = sim::SimulatedUpgradeUnit::Phase;
    using Answer = sim::SimulatedUpgradeUnit::Answer;

    constexpr juce::int64 firmwareAddress = 0x60010000;
    const std::string upgraded ("Your firmware has been upgraded!");
    const std::string powerOffHint ("Your firmware has been upgraded! Power off your unit and wait for 5 seconds, "
                                    "then turn back on for changes to take effect");

    struct SelectVersionStep : sim::UpgradeStepsFixture
    {
        SelectVersionStep()  { prompts.dialogAnswer = std::ref (user); }

        sim::LocalFirmwareServer firmware;
        sim::ChooserUser user;
    };

    using UpgradeStep = sim::UpgradeStepsFixture;
    using WholeUpgrade = sim::UpgradeStepsFixture;
}

// Select offers a version, waits for the user or not, and tells what a failed
// download or a refused file leaves behind.
TEST_F (SelectVersionStep, TheChooserConfirmsItselfUnlessANewerVersionWaitsFurtherDownAndAUnitUpToDateIsTold)
{
    using Entry = sim::LocalFirmwareServer::Entry;
    const Entry r7x200 { 2056, "R7 X", "2.00", "fw/r7_x_v2.00.bin" };
    const Entry r7x201 { 2056, "R7 X", "2.01", "fw/r7_x_v2.01.bin" };
    const Entry r7x205 { 2056, "R7 X", "2.05", "fw/r7_x_v2.05.bin" };
    enum Unit { leftItsBootloader, inItsBootloader };

    struct Row { const char* what; int product; std::initializer_list<Entry> list; const char* unitVersion;
                 int dialogs, waits, downloads; std::vector<std::string> messages; int stepAfter; Unit unit; };

    // A tool-family unit leaves its bootloader through the tool once it is flashed or up to date.
    const Row rows[] {
        { "the only entry, which the unit has", 2056, { r7x201 }, "2.01", 1, 0, 1, { upgraded }, 1, leftItsBootloader },
        { "a newer entry after an older one",   2056, { r7x200, r7x205 }, "2.01", 1, 1, 0, {}, 4, inItsBootloader },
        { "the newest entry, which the unit has, after an older one", 2056, { r7x200, r7x201 }, "2.01", 0, 0, 0,
          { "Your device is up-to-date." }, 6, leftItsBootloader },
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
        const auto isImage = [] (auto& path) { return path.startsWith ("fw/"); };
        EXPECT_EQ (std::count_if (requested.begin(), requested.end(), isImage), row.downloads);
        EXPECT_EQ (messages(), row.messages);
        EXPECT_EQ (window->getStep(), row.stepAfter);
        EXPECT_EQ (toolModeEntered, row.unit == inItsBootloader);
    }
}

TEST_F (SelectVersionStep, AFailedDownloadIsToldWithItsReasonLeavesNoFileAndTheUsersOwnFileIsTakenAndKept)
{
    const auto served = contentOf (makeImage ("served.bin", 4000, 3));
    const auto notFoundPage = LocalHttpServer::text ("<html><body>Not Found</body></html>", 404);

    const struct { const char* what; int product; const char* fw; LocalHttpServer::Answer answer; int requests; } rows[] {
        { "not found page",                   2056, "fw/r7_x_v2.01.bin",           notFoundPage,                    1 },
        { "name leading elsewhere",           2056, "fw/..%2F..%2Fr7_x_v2.01.bin", LocalHttpServer::bytes (served), 0 },
        { "a MIDI unit's, tried three times", 94,   "fw/mixora_c4_v2.10.bin",      notFoundPage,                    3 },
    };

    for (auto& row : rows)
    {
        SCOPED_TRACE (row.what);
        sim::FlashToolStandIn unit;
        prompts.shown.clear();
        firmware.serveList ({ { row.product, "Unit", "2.01", row.fw } },
                            row.product == 94 ? "firmware-special.xml" : "firmware.xml");
        firmware.server.clearRequests();
        firmware.server.setAnswer (row.fw, row.answer);

        const juce::File ownFile (makeImage (row.product == 94 ? "mixora_c4_v2.10.bin" : "r7_x_v2.01.bin", 3000, 4));
        const auto ownImage = contentOf (ownFile.getFullPathName());
        prompts.fileAnswers = { ownFile };

        auto window = readyWindow (row.product, "2.00");
        // The tool family runs on to the flash; the MIDI unit's choice stays its own.
        autoAdvance = row.product == 2056;
        window->stepSelectFirmware (1);

        EXPECT_EQ (firmware.server.countRequests (row.fw), row.requests);
        EXPECT_EQ (prompts.ofKind ("file").size(), 1u) << "the user is asked for a file instead";
        EXPECT_TRUE (firmware.filesInDataHome().isEmpty()) << "no partial or wrong file anywhere";
        const auto taken = window->midiHandler->getImage();
        EXPECT_EQ (row.product == 94 ? juce::MemoryBlock (taken.data(), taken.size())
                                     : unit.flashBytes (firmwareAddress, ownImage.getSize()),
                   ownImage) << "the user's file, never the server's answer";
        EXPECT_EQ (contentOf (ownFile.getFullPathName()), ownImage) << "the user's file stays";

        // Before the file chooser, the failure and its reason; then, for the tool family, the upgrade's end.
        const auto shown = prompts.ofKind ("message");
        ASSERT_EQ (shown.size(), row.product == 2056 ? 2u : 1u);
        EXPECT_EQ (box (shown[0].icon, shown[0].title, shown[0].message.upToFirstOccurrenceOf ("\n\n", false, false)),
                   box (Icon::WarningIcon, "Firmware Download", "Could not download firmware file"));
        EXPECT_TRUE (shown[0].message.fromFirstOccurrenceOf ("\n\n", false, false).isNotEmpty()) << "the reason";

        if (row.product == 2056)
            EXPECT_EQ (box (shown[1].icon, shown[1].title, shown[1].message),
                       box (Icon::InfoIcon, "Firmware Upgrade Succeeded", upgraded));
    }
}

TEST_F (SelectVersionStep, AChosenFileThatIsEmptyOrForAnotherModelIsRefusedBeforeAnythingReachesTheUnit)
{
    const juce::MemoryBlock oldFirmware (8192, true);
    const char* notMatching = "Not the matching firmware!";
    const char* empty = "The firmware file is empty!";

    // Files are checked against the model the unit's upgrade port told (186 and 2052 share one).
    // The refusal is the box shown ("" for none); a file taken has none. Where no regular file
    // stands under the name, what does is named last.
    enum Advance { stepByStep, runningOn };

    struct Row
    {
        int product, settledOn;
        const char* file;
        int size;
        Advance advance;
        const char* refusal;
        std::optional<NotAnImage> instead {};
    };

    const Row rows[] {
        { 2056, 2056, "r7_x_v3.00.bin",           0,   runningOn,  empty,       NotAnImage::fifo },
        { 94,   94,   "mixora_c4_v3.00.bin",      0,   runningOn,  empty,       NotAnImage::linkToDevZero },
        { 94,   94,   "dravel_49_v3.00.bin",      600, stepByStep, notMatching },
        // No box stops a unit that runs on by itself.
        { 94,   94,   "dravel_49_v3.00.bin",      600, runningOn,  "" },
        { 2052, 186,  "faderon_air_rx_v1.10.bin", 600, stepByStep, notMatching },
        { 2052, 186,  "faderon_air_v1.10.bin",    600, stepByStep, nullptr },
        { 186,  2052, "faderon_air_v1.10.bin",    600, stepByStep, notMatching },
        { 186,  2052, "faderon_air_rx_v1.10.bin", 600, stepByStep, nullptr },
    };

    for (auto& row : rows)
    {
        SCOPED_TRACE (std::string (row.file) + ", row " + std::to_string (&row - rows));
        sim::FlashToolStandIn toolUnit;
        toolUnit.putFlashBytes (firmwareAddress, oldFirmware);
        units.clear();
        auto& midiUnit = addUnit (linuxUnit ("Mixora C4", 94, false, true));

        auto window = readyWindow (row.product, "2.00", &midiUnit, {}, false);
        window->currentProductId = row.settledOn;
        midiUnit.clearRecords();
        prompts.shown.clear();
        autoAdvance = row.advance == runningOn;

        if (row.instead.has_value())
            prompts.fileAnswers = { juce::File (makeNotAnImage (row.file, *row.instead)) };
        else
            prompts.fileAnswers = { juce::File (makeImage (row.file, row.size)) };

        window->stepSelectFirmware (1);

        const bool refused = row.refusal != nullptr;
        const bool boxShown = refused && *row.refusal != 0;
        const auto expected = boxShown ? std::vector<std::string> { row.refusal } : std::vector<std::string>();
        EXPECT_EQ (messages(), expected);
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
                                          [&]
                                          {
                                              systemChooser.answerWith (juce::File (makeImage ("dravel_49_v1.05.bin",
                                                                                               600)));
                                          });

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

//==============================================================================
// Upgrade writes the firmware that Select left ready, by the flashing tool or
// the MIDI bootloader, and reports how it went.
TEST_F (UpgradeStep, NothingIsWrittenUnlessActivateAndSelectHaveRunSinceTheLastReturnToStepOne)
{
    auto window = readyWindow (2056, "2.00", nullptr, makeImage ("r7_x_v2.01.bin", 3000));

    for (auto [activated, selected] : { std::pair { 0, 0 }, { 1, 0 }, { 0, 1 } })
    {
        activatedMarker = activated;
        selectedMarker = selected;
        EXPECT_FALSE (window->stepUpgrade (1)) << activated << selected;
    }

    EXPECT_TRUE (tool.runs().empty());
    activatedMarker = selectedMarker = 1;
    EXPECT_TRUE (window->stepUpgrade (1));

    // Back at step 1 the marks are gone: pressing Upgrade again does nothing.
    const auto runsOfTheUpgrade = tool.runs().size();
    EXPECT_FALSE (window->stepUpgrade (1));
    EXPECT_EQ (tool.runs().size(), runsOfTheUpgrade);
    EXPECT_EQ (messages(), std::vector<std::string> { upgraded });
}

TEST_F (UpgradeStep, TheToolFamilysFlashIsReportedAndOnlyADownloadedFileDeleted)
{
    enum File { downloaded, chosenByTheUser };
    enum Flash { written, notWritten };
    const auto succeeded = box (Icon::InfoIcon, "Firmware Upgrade Succeeded", upgraded);
    const struct { const char* fault; File file; std::string box; Flash flash; } rows[] {
        { "fail-reset", downloaded,      box (Icon::InfoIcon, "Firmware Upgrade Succeeded", powerOffHint), written },
        { "fail-erase", downloaded,      box (Icon::WarningIcon, "Firmware Upgrade Failed", "Erase failed!"),
          notWritten },
        // A host whose check passed only in the padded layout.
        { "skip-alternate-chunks", chosenByTheUser, succeeded,                                           written },
    };

    for (auto& row : rows)
    {
        SCOPED_TRACE (juce::String (row.fault) + (row.file == downloaded ? ", downloaded" : ", chosen by the user"));
        sim::FlashToolStandIn unit;
        unit.setSwitch (row.fault);
        prompts.shown.clear();

        auto image = juce::File (makeImage ("r7_x_v2.01.bin", 3000, 5));
        const auto imageBytes = contentOf (image.getFullPathName());

        if (row.file == downloaded)
        {
            image.copyFileTo (getUpgraderDataFolder().getChildFile (image.getFileName()));
            image = getUpgraderDataFolder().getChildFile (image.getFileName());
        }

        auto window = readyWindow (2056, "R7-X1 MIDI 1", nullptr, image.getFullPathName());
        compatibilityResult = juce::String (row.fault) == "skip-alternate-chunks" ? 2 : 1;
        window->firmwareFile = image;
        window->firmwareReady = row.file == downloaded;

        EXPECT_TRUE (window->stepUpgrade (1));

        EXPECT_EQ (boxes(), std::vector<std::string> { row.box });
        EXPECT_EQ (unit.flashBytes (firmwareAddress, 3000) == imageBytes, row.flash == written);
        EXPECT_EQ (image.existsAsFile(), row.file == chosenByTheUser);
        EXPECT_EQ (window->getStep(), 1);
        EXPECT_FALSE (upgraderBusy);
        EXPECT_TRUE (window->deviceReplyText.isEmpty());
    }
}

TEST_F (UpgradeStep, HowAMidiUnitComesBackAfterTheUploadOrWhetherItCanBeReachedDecidesTheReport)
{
    const auto unitGoneWithItsHandler = [this] (auto&, auto& window) { window.midiHandler.reset(); units.clear(); };
    const auto m2 = [] (auto&, auto&) { setHostCpuModelForTesting ("Apple m2 Max"); };
    const auto succeeded = box (Icon::InfoIcon, "Firmware Upgrade Succeeded", upgraded);
    const auto poweredOffHint = box (Icon::InfoIcon, "Firmware Upgrade Succeeded", powerOffHint);

    const struct
    {
        const char* what;
        int product;
        std::function<void (sim::SimulatedUpgradeUnit&, FirmwareUpgradeComponent&)> fault;
        std::string box;
        bool stored, nothingSent, closesPorts = false;
    } rows[] {
        { "a keyboard comes back with its new version", 4130, [] (auto&, auto&) {}, succeeded, true, false },
        { "a keyboard does not come back",    4130, [] (auto& unit, auto&) { unit.setNeverComesBack (true); }, poweredOffHint, true, false },
        { "a keyboard comes back without a version", 4130, [] (auto& unit, auto&) { unit.setVersionAfterReset (0, 0, 0, 0); },
          poweredOffHint, true, false },
        { "a keyboard refuses the reset",     4130, [] (auto& unit, auto&) { unit.setAnswer (Phase::reset, Answer::no, 0.2); },
          poweredOffHint, true, false },
        { "a keyboard never answers the connect", 4130, [] (auto& unit, auto&) { unit.setAnswer (Phase::connect, Answer::silence, 0.0); },
          box (Icon::WarningIcon, "Firmware Upgrade Failed", "Could not connect to hardware"), false, false },
        { "a keyboard gone, its handler dropped", 4130, unitGoneWithItsHandler,
          box (Icon::WarningIcon, "Firmware Upgrade Failed", "Warning: Connection failed!"), false, true },
        { "another MIDI unit, upgraded on the message thread", 94, [] (auto&, auto&) {}, succeeded, true, false, true },
        { "another MIDI unit on an M2 host", 94, m2,
          box (Icon::WarningIcon, "Firmware Upgrade Failed",
               "Warning: The current device cannot upgrade firmware correctly,\n on the M2 series macOS. \n\nPlease close the current upgrade window!"),
          false, true },
    };

    for (auto& row : rows)
    {
        SCOPED_TRACE (row.what);
        setHostCpuModelForTesting ("Intel(R) Core(TM) i7-9700 CPU @ 3.00GHz");
        units.clear();
        prompts.shown.clear();
        auto& unit = addUnit (linuxUnit (row.product == 4130 ? "Dravel 49" : "Mixora C4", row.product, true, true));
        const auto uploadPort = unit.outputName();
        auto window = readyWindow (row.product, {}, &unit, makeImage ("image.bin", 3 * 512));
        const auto image = window->midiHandler->getImage();
        row.fault (unit, *window);
        ports.clearTimeline();

        EXPECT_TRUE (window->stepUpgrade (1));

        EXPECT_EQ (boxes(), std::vector<std::string> { row.box });
        EXPECT_EQ (window->getStep(), 1);
        EXPECT_TRUE (! row.closesPorts || ports.openOutputsNow (uploadPort) == 0) << "its ports are closed after";

        if (row.stored)
            EXPECT_EQ (unit.storedImage(), image);

        const auto& timeline = ports.timeline();
        EXPECT_EQ (std::none_of (timeline.begin(), timeline.end(), [] (auto& event) { return ! event.isPause; }), row.nothingSent);
    }
}

//==============================================================================
// A whole upgrade as the user runs it: the upgrader is opened, its notice
// confirmed (and the unit picked from its group) and Start pressed; with the
// steps running on by themselves, the unit is found, put into its upgrade
// mode and checked, the newest firmware is fetched from the (local) firmware
// server, and written by the MIDI bootloader or the flashing tool. The user
// only confirms the choosers.
TEST_F (WholeUpgrade, TheServedImageReachesTheUnitFromTheUpgradersEntryThroughEveryStep)
{
    struct Row { const char* what; int product; bool inUpgradeMode, repeating; const char* version; const char* fw;
                 int size, downloads; std::vector<std::string> messages; };

    const Row rows[] {
        { "a keyboard (version 1.06)", 4130, false, false, "1.07", "fw/dravel_49_v1.07.bin", 6 * 512, 1, { upgraded } },
        // Restarted, it tells its real version: the one served.
        { "a keyboard left in upgrade mode", 4130, true, false, "1.07", "fw/dravel_49_v1.07.bin", 6 * 512, 0, { "Your unit is up-to-date!" } },
        { "a tool-family unit", 2056, false, false, "2.01", "fw/r7_x_v2.01.bin", 7000, 1, { upgraded } },
        // Runs 19 and 20, then the repetition ends; no box stops an automatic repetition.
        { "tool-family units in the repeat mode", 2056, false, true, "2.01", "fw/r7_x_v2.01.bin", 3000, 2, {} },
    };

    // The tool family's unit, beside the keyboard another device; and the loopback port ALSA lists first.
    const juce::StringArray plugged { "Midi Through Port-0", "R7-X1 MIDI 1", "R7-X1 MIDI 2" };
    sim::NamedPorts otherPorts (ports, plugged, plugged);

    for (auto& row : rows)
    {
        SCOPED_TRACE (row.what);
        sim::LocalFirmwareServer firmware;
        const auto image = randomBytes ((size_t) row.size, row.size);
        firmware.serveList ({ { row.product, "Unit", row.version, row.fw }, { 4099, "Other", "9.99", "fw/other_v9.99.bin" } });
        firmware.serveImage (row.fw, image);

        units.clear();
        auto* keyboard = row.product == 4130 ? &addUnit (linuxUnit ("Dravel 49", 4130, true, row.inUpgradeMode)) : nullptr;

        prompts.shown.clear();
        prompts.choiceAnswers = { 1 };   // of its group, the R7-X1
        int stepAfter = 0;
        prompts.dialogAnswer = [&, chooser = sim::ChooserUser {}] (juce::Component& content, const juce::String& title) mutable
        {
            auto* window = dynamic_cast<FirmwareUpgradeComponent*> (&content);

            if (window == nullptr)
                return chooser (content, title);

            EXPECT_TRUE (autoAdvance) << "the family runs on by itself";
            repeatMode = row.repeating;
            repeatRunCount = row.repeating ? 18 : 0;
            EXPECT_TRUE (window->stepStart (1));
            stepAfter = window->getStep();
            return 0;
        };

        openFirmwareUpgrader (row.product, nullptr, true, true, 0);

        if (keyboard != nullptr)
        {
            const auto* served = static_cast<const juce::uint8*> (image.getData());
            EXPECT_EQ (keyboard->storedImage(), row.downloads > 0 ? std::vector<juce::uint8> (served, served + image.getSize())
                                                                   : std::vector<juce::uint8>());
            EXPECT_TRUE (keyboard->log().contains ("back in normal mode"));
        }
        else
        {
            EXPECT_EQ (tool.flashBytes (firmwareAddress, image.getSize()), image);
            EXPECT_FALSE (toolModeEntered) << "the unit was reset after the flash";
            EXPECT_TRUE (otherPorts.messagesTo ("R7-X1 MIDI 1").isEmpty()) << "asked on its highest-numbered port";
        }

        EXPECT_EQ (prompts.titlesOf ("dialog").contains ("Choose Your Halvik Device"), keyboard != nullptr) << "one tool-family unit needs no choice";
        EXPECT_EQ (messages(), row.messages);
        EXPECT_EQ (firmware.server.countRequests (row.fw), row.downloads);
        EXPECT_EQ (firmware.server.countRequests ("fw/other_v9.99.bin"), 0);
        EXPECT_TRUE (! row.repeating || repeatRunCount == 0) << repeatRunCount;
        EXPECT_EQ (stepAfter, 1);
        EXPECT_TRUE (firmware.filesInDataHome().isEmpty()) << "the download, staged copies and read-backs are all gone";
    }
}

TEST_F (WholeUpgrade, ASelectRunAgainForANewerImageLeavesOnlyThatOneInTheDataFolder)
{
    sim::LocalFirmwareServer firmware;
    prompts.dialogAnswer = sim::ChooserUser {};
    sim::StepWindow window (2056);
    window->deviceReplyText = "2.00";
    activatedMarker = 1;

    // The first image is never flashed: once a newer one is downloaded, it has no use.
    for (const juce::String version : { "2.01", "2.02" })
    {
        const auto fw = "fw/r7_x_v" + version + ".bin";
        firmware.serveList ({ { 2056, "Unit", version, fw } });
        firmware.serveImage (fw, randomBytes (3000, version.getIntValue()));

        window->stepSelectFirmware (1);

        const juce::Array<juce::File> newest { getUpgraderDataFolder().getChildFile ("r7_x_v" + version + ".bin") };
        EXPECT_EQ (firmware.filesInDataHome(), newest) << version << ": only the newest";
    }
}

TEST_F (WholeUpgrade, EscapeEndsTheRunInTheStepThatSawItSayingNoFirmwareWasWrittenAndLeavesNoDownload)
{
    enum From { activate, select, upgrade };
    enum Advance { stepByStep, runningOn };
    enum Escape { noEscape, duringStage1, duringStage2, leftBeforeTheStep };
    enum Firmware { untouched, written };

    struct Row { const char* what; int product; From from; Advance advance; Escape escape; const char* fault;
                 std::string box; int stepAfter; const char* buttons; Firmware firmware; };

    const auto stopped = box (Icon::InfoIcon, "Firmware Upgrade",
                              "Upgrade stopped: no firmware was written to the device.");
    const auto succeeded = box (Icon::InfoIcon, "Firmware Upgrade Succeeded", upgraded);

    // Whatever the check found, Escape during it ends the run there, with the window as it was at that step.
    // An Escape pressed between runs ends no run: a step button begins a new one.
    const Row rows[] {
        { "during a good check, running on", 2056, activate, runningOn, duringStage1, "", stopped, 3, "11100",
          untouched },
        { "during a good check, step by step", 2056, activate, stepByStep, duringStage1, "", stopped, 3, "11100",
          untouched },
        { "during a first stage that fails", 2056, activate, runningOn, duringStage1, "corrupt-read", stopped, 3,
          "11100", untouched },
        { "during the padded stage", 2056, activate, runningOn, duringStage2, "skip-alternate-chunks", stopped, 3,
          "11100", untouched },
        { "left before Select", 2056, select, runningOn, leftBeforeTheStep, "", succeeded, 1, "10000", written },
        { "left before Select, a MIDI unit", 94, select, runningOn, leftBeforeTheStep, "", succeeded, 1, "10000",
          written },
        { "left before Upgrade", 2056, upgrade, stepByStep, leftBeforeTheStep, "", succeeded, 1, "10000", written },
        // Without Escape, step by step, the download waits for Upgrade, and goes with the window.
        { "none, step by step", 2056, select, stepByStep, noEscape, "", box (Icon::InfoIcon, "Firmware Upgrade", "OK"),
          6, "11111", untouched },
    };

    for (auto& row : rows)
    {
        SCOPED_TRACE (row.what);
        resetUpgraderState();   // what the check found for the row before goes
        const bool midi = row.product == 94;
        const juce::String fw (midi ? "fw/mixora_c4_v2.01.bin" : "fw/r7_x_v2.01.bin");
        const auto image = randomBytes (midi ? 3 * 512 : 3000, 7);
        sim::LocalFirmwareServer firmware;
        firmware.serveList ({ { row.product, "Unit", "2.01", fw } }, midi ? "firmware-special.xml" : "firmware.xml");
        firmware.serveImage (fw, image);

        sim::FlashToolStandIn toolUnit;
        const juce::MemoryBlock oldFirmware (image.getSize(), true);
        toolUnit.putFlashBytes (firmwareAddress, oldFirmware);

        if (*row.fault != 0)
            toolUnit.setSwitch (row.fault);

        units.clear();
        auto& midiUnit = addUnit (linuxUnit ("Mixora C4", 94, true, true));
        prompts.dialogAnswer = sim::ChooserUser {};

        auto stepWindow = std::make_unique<sim::StepWindow> (row.product);
        auto& window = *stepWindow;
        autoAdvance = row.advance == runningOn;
        window->deviceReplyText = "2.00";
        window->startVersion = 2.0f;
        toolModeEntered = ! midi;

        if (midi)
            window->openTargetMidiDevices (midiUnit.outputName(), 0);

        if (row.from != activate)
        {
            window->setStep (row.from == select ? 4 : 5);
            activatedMarker = 1;
        }

        if (row.from == upgrade)
        {
            window->firmwareFile = getUpgraderDataFolder().getChildFile ("r7_x_v2.01.bin");
            window->firmwareFile.replaceWithData (image.getData(), image.getSize());
            window->firmwareReady = true;
            firmwareFilePath = window->firmwareFile.getFullPathName();
            selectedMarker = 1;
        }

        abortRequested = row.escape == leftBeforeTheStep;
        const juce::String stage (row.escape == duringStage2 ? "Starting stage 2 of compatibility checking"
                                                             : "Starting stage 1 of compatibility checking");
        sim::MessageWatch escape ([&] { return row.escape != noEscape && window.statusTexts().contains (stage); },
                                  [&] { window.pressEscape(); });

        if (row.from == activate)
            window->stepActivate (1);
        else if (row.from == select)
            window->stepSelectFirmware (1);
        else
            window->stepUpgrade (1);

        EXPECT_EQ (boxes(), std::vector<std::string> { row.box });
        EXPECT_DOUBLE_EQ (window->getShownProgress(), (row.stepAfter - 1) / 5.0);
        EXPECT_EQ (window.enabledButtons(), row.buttons);
        EXPECT_EQ (window.title(), "Firmware Upgrade");
        EXPECT_EQ (firmware.filesInDataHome().size(), row.escape == noEscape ? 1 : 0) << "no staged copy or read-back";

        const auto* served = static_cast<const juce::uint8*> (image.getData());
        const std::vector<juce::uint8> servedBytes (served, served + image.getSize());
        const bool imageInUnit = midi ? midiUnit.storedImage() == servedBytes
                                      : toolUnit.flashBytes (firmwareAddress, image.getSize()) == image;
        EXPECT_EQ (imageInUnit, row.firmware == written);

        stepWindow.reset();
        EXPECT_TRUE (firmware.filesInDataHome().isEmpty()) << "no download stays once the window has gone";
    }
}

// With the steps running on by themselves, Escape ends the run where it was
// read: no command reaches the unit after it, no later step starts, and the
// window stays at that step with the box that says so.
TEST_F (WholeUpgrade, EscapeWhileTheStepsRunOnEndsTheRunBeforeTheNextCommandReachesTheUnit)
{
    enum When { duringStartsLook, duringStartsLookInVain, duringEntersProbe, duringEntersWait,
                duringTheEraseNotice, duringTheListsDownload, duringTheImagesDownload };
    struct Row { const char* what; int product; When when; int stepAfter; const char* buttons; };

    const Row rows[] {
        // The unit shows up in the second in which Escape was pressed, or never: the tool is not run.
        { "during Start's look for the unit", 2056, duringStartsLook, 1, "10000" },
        { "during Start's look for a unit that never comes", 2056, duringStartsLookInVain, 1, "10000" },
        { "during Start's look for a MIDI unit", 94, duringStartsLook, 1, "10000" },
        // The first probe finds the bootloader: the unit is not asked again, nor checked.
        { "during Enter's first probe", 2056, duringEntersProbe, 2, "11000" },
        // Asked once over MIDI; its bootloader would answer the probe.
        { "during Enter's wait after its request", 2056, duringEntersWait, 2, "11000" },
        // The downloaded image goes with the stop, and Upgrade with it: it could only fail.
        { "during the Upgrade step's notice", 2056, duringTheEraseNotice, 5, "00110" },
        // The key waits in the queue while a download holds the window.
        { "during the list's download", 2056, duringTheListsDownload, 4, "00110" },
        { "during the image's download", 2056, duringTheImagesDownload, 4, "00110" },
        { "during the list's download, a MIDI unit", 94, duringTheListsDownload, 4, "00110" },
        { "during the image's download, a MIDI unit", 94, duringTheImagesDownload, 4, "00110" },
    };

    const juce::String toolUnitPort ("R7-X1 MIDI 1");
    const auto stopped = box (Icon::InfoIcon, "Firmware Upgrade",
                              "Upgrade stopped: no firmware was written to the device.");

    for (auto& row : rows)
    {
        SCOPED_TRACE (row.what);
        const auto rowAlive = std::make_shared<bool> (true);
        resetUpgraderState();
        units.clear();
        ports.withdraw (toolUnitPort);
        const bool midi = row.product == 94;
        const bool lookingForTheUnit = row.when == duringStartsLook || row.when == duringStartsLookInVain;
        const juce::String fw (midi ? "fw/mixora_c4_v2.01.bin" : "fw/r7_x_v2.01.bin");
        const auto image = randomBytes (midi ? 3 * 512 : 3000, 11);
        sim::LocalFirmwareServer firmware;

        sim::FlashToolStandIn toolUnit;
        const juce::MemoryBlock oldFirmware (image.getSize(), true);
        toolUnit.putFlashBytes (firmwareAddress, oldFirmware);
        prompts.dialogAnswer = sim::ChooserUser {};

        std::unique_ptr<sim::NamedPorts> unitPorts;
        sim::SimulatedUnit* midiUnit = nullptr;
        const auto plugTheUnitIn = [&]
        {
            if (midi)
                midiUnit = &addUnit (linuxUnit ("Mixora C4", 94, true));
            else
                unitPorts = std::make_unique<sim::NamedPorts> (ports, juce::StringArray (toolUnitPort),
                                                               juce::StringArray (toolUnitPort));
        };

        if (! lookingForTheUnit)
            plugTheUnitIn();

        sim::StepWindow window (row.product);
        autoAdvance = true;

        // What had reached the unit when the key was read: tool runs and MIDI messages.
        bool escapeRead = false;
        size_t runsBefore = 0, messagesBefore = 0;
        const auto pressEscape = [&]
        {
            escapeRead = true;
            runsBefore = toolUnit.runs().size();
            messagesBefore = (size_t) ports.messagesTo().size();
            window.pressEscape();
        };

        // Typed while the list or the image downloads, the key is read once the window takes messages again.
        const auto typedWhenAsked = [&] (LocalHttpServer::Answer answer, When when)
        {
            if (row.when == when)
                answer.whenAsked = [&, alive = std::weak_ptr<bool> (rowAlive)]
                {
                    juce::MessageManager::callAsync ([&, alive]
                    {
                        if (! alive.expired())
                            pressEscape();
                    });
                };

            return answer;
        };

        const auto list = sim::LocalFirmwareServer::listText ({ { row.product, "Unit", "2.01", fw } });
        firmware.server.setAnswer (midi ? "firmware-special.xml" : "firmware.xml",
                                   typedWhenAsked (LocalHttpServer::text (list), duringTheListsDownload));
        firmware.server.setAnswer (fw, typedWhenAsked (LocalHttpServer::bytes (image), duringTheImagesDownload));

        const auto shows = [&] (const juce::String& start)
        {
            const auto shown = window.statusTexts();
            return std::any_of (shown.begin(), shown.end(), [&] (auto& text) { return text.startsWith (start); });
        };

        // Earlier rows talked to the same port.
        const auto toolUnitHeard = ports.messagesTo (toolUnitPort).size();

        sim::MessageWatch escape ([&]
        {
            switch (row.when)
            {
                case duringStartsLook:
                case duringStartsLookInVain:  return shows (midi ? "(1)" : "Waiting for the target MIDI device...1");
                case duringEntersProbe:       return toolUnit.runs().size() >= 1;
                case duringEntersWait:        return ports.messagesTo (toolUnitPort).size() >= toolUnitHeard + 2;
                case duringTheEraseNotice:    return shows ("Ready to erase the old firmware...");
                case duringTheListsDownload:
                case duringTheImagesDownload: return false;
            }

            return false;
        }, [&]
        {
            pressEscape();

            if (row.when == duringStartsLook)
                plugTheUnitIn();
        });

        window->stepStart (1);

        EXPECT_TRUE (escapeRead);
        EXPECT_EQ (boxes(), std::vector<std::string> { stopped });
        EXPECT_EQ (window->getStep(), row.stepAfter);
        EXPECT_EQ (window.enabledButtons(), juce::String (row.buttons));
        EXPECT_EQ (toolUnit.runs().size(), runsBefore) << "no tool command after Escape";
        EXPECT_EQ ((size_t) ports.messagesTo().size(), messagesBefore) << "no MIDI message after Escape";

        if (midi)
            EXPECT_TRUE (midiUnit == nullptr || midiUnit->storedImage().empty());
        else
            EXPECT_TRUE (toolUnit.flashBytes (firmwareAddress, image.getSize()) == oldFirmware) << "flashed";

        const bool imageAsked = row.when == duringTheImagesDownload || row.when == duringTheEraseNotice;
        EXPECT_EQ (firmware.server.countRequests (fw), imageAsked ? 1 : 0);
        EXPECT_TRUE (firmware.filesInDataHome().isEmpty()) << "no download, staged copy or read-back is left";
    }
}

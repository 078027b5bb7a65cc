#include <gtest/gtest.h>

#include "support/FirmwareChooserUser.h"
#include "support/LocalFirmwareServer.h"
#include "support/ScopedEnvironment.h"
#include "support/ScriptedPrompts.h"
#include "support/SystemFileChooserStandIn.h"
#include "support/ToolFamilyFixture.h"
#include "support/UpgraderMidiFixture.h"
#include "support/WhileADialogRuns.h"

#include "firmware/UpgraderPaths.h"
#include "firmware/UpgraderState.h"
#include "firmware/window/FirmwareUpgradeComponent.h"
#include "firmware/window/UpgraderDialogWindow.h"

using namespace halvik;
using sim::LocalHttpServer;

namespace
{
    constexpr juce::int64 firmwareAddress = 0x60010000;

    juce::MemoryBlock randomBytes (size_t size, int seed)
    {
        juce::MemoryBlock image (size);
        juce::Random random (seed);
        random.fillBitsRandomly (image.getData(), image.getSize());
        return image;
    }

    /** The Select-version step of a tool-family unit (an R7 X, product 2056),
        with the window as the earlier steps leave it: the unit activated and
        answering the tool, its version read. The firmware server, the data
        folder and the unit behind the flashing tool are the test's own. */
    struct ToolFamilySelectStep : sim::ToolFamilyFixture
    {
        ToolFamilySelectStep()
        {
            prompts.dialogAnswer = std::ref (user);
        }

        /** The window after Start, Enter and Activate for a unit at this version. */
        std::unique_ptr<FirmwareUpgradeComponent> makeWindow (const juce::String& unitVersion, bool serverList = true)
        {
            auto window = std::make_unique<FirmwareUpgradeComponent> (2056, serverList);
            window->deviceReplyText = unitVersion;
            window->setStep (3);
            activatedMarker = 1;
            toolModeEntered = true;
            return window;
        }

        juce::StringArray titlesShown (const juce::String& kind) const
        {
            juce::StringArray titles;

            for (auto& shown : prompts.ofKind (kind))
                titles.add (shown.title);

            return titles;
        }

        sim::LocalFirmwareServer firmware;
        sim::ScriptedPrompts prompts;
        sim::FirmwareChooserUser user;
    };
}

//==============================================================================
TEST_F (ToolFamilySelectStep, ANewerFirmwareIsDownloadedFlashedAndItsFileRemoved)
{
    const auto image = randomBytes (5000, 1);
    firmware.serveList ({ { 2056, "R7 X", "2.01", "fw/r7_x_v2.01.bin" } });
    firmware.serveImage ("fw/r7_x_v2.01.bin", image);
    auto window = makeWindow ("2.00");

    EXPECT_TRUE (window->stepSelectFirmware (1));

    EXPECT_EQ (user.timesWaitedForUser, 0) << "the chooser confirms itself while auto-advancing";
    EXPECT_EQ (tool.flashBytes (firmwareAddress, image.getSize()), image);
    EXPECT_EQ (prompts.messages(), juce::StringArray ("Your firmware has been upgraded!"));
    EXPECT_TRUE (firmware.filesInDataHome().isEmpty()) << "the downloaded file is gone after the flash";
    EXPECT_EQ (window->getStep(), 1);
}

TEST_F (ToolFamilySelectStep, TheOnlyVersionIsOfferedAndDownloadedAgainEvenWhenTheUnitHasIt)
{
    const auto image = randomBytes (3000, 2);
    firmware.serveList ({ { 2056, "R7 X", "2.01", "fw/r7_x_v2.01.bin" } });
    firmware.serveImage ("fw/r7_x_v2.01.bin", image);

    for (bool autoAdvancing : { true, false })
    {
        SCOPED_TRACE (autoAdvancing ? "auto-advancing" : "by hand");
        auto window = makeWindow ("2.01");
        autoAdvance = autoAdvancing;
        user.timesWaitedForUser = 0;
        prompts.shown.clear();

        window->stepSelectFirmware (1);

        EXPECT_EQ (titlesShown ("dialog"), juce::StringArray ("Firmware Version"));
        EXPECT_EQ (user.timesWaitedForUser, autoAdvancing ? 0 : 1);
        EXPECT_EQ (firmware.server.countRequests ("fw/r7_x_v2.01.bin"), autoAdvancing ? 1 : 2);

        if (! autoAdvancing)
        {
            // By hand the step stops at the end with the file ready for Upgrade.
            EXPECT_EQ (prompts.messages(), juce::StringArray ("your device is up-to-date."));
            EXPECT_EQ (window->getStep(), 6);
            EXPECT_EQ (selectedMarker, 1);
            EXPECT_EQ (juce::File (firmwareFilePath), getUpgraderDataFolder().getChildFile ("r7_x_v2.01.bin"));
            EXPECT_EQ (sim::ToolFamilyFixture::contentOf (firmwareFilePath), image);
            EXPECT_FALSE (toolModeEntered) << "the unit was reset out of its upgrade mode";
        }
    }
}

TEST_F (ToolFamilySelectStep, ANewerVersionFurtherDownTheListWaitsForTheUserEvenWhenAutoAdvancing)
{
    firmware.serveList ({ { 2056, "R7 X", "2.00", "fw/r7_x_v2.00.bin" },
                          { 2056, "R7 X", "2.05", "fw/r7_x_v2.05.bin" } });
    auto window = makeWindow ("2.01");
    ASSERT_TRUE (autoAdvance);
    user.answer = sim::FirmwareChooserUser::Answer::cancel;

    EXPECT_EQ (window->stepSelectFirmware (1), 0);

    EXPECT_EQ (user.timesWaitedForUser, 1);
    EXPECT_EQ (window->getStep(), 4) << "a cancelled chooser leaves the step where it was";
    EXPECT_TRUE (prompts.messages().isEmpty());
    EXPECT_TRUE (firmware.filesInDataHome().isEmpty());
    EXPECT_TRUE (tool.runs().empty());
}

TEST_F (ToolFamilySelectStep, AUnitWithTheNewestVersionIsToldSoAndResetOutOfItsUpgradeMode)
{
    firmware.serveList ({ { 2056, "R7 X", "2.00", "fw/r7_x_v2.00.bin" },
                          { 2056, "R7 X", "1.07", "fw/r7_x_v1.07.bin" } });
    auto window = makeWindow ("2.00");

    EXPECT_EQ (window->stepSelectFirmware (1), 0);

    EXPECT_TRUE (prompts.ofKind ("dialog").empty());
    EXPECT_EQ (prompts.messages(), juce::StringArray ("Your device is up-to-date."));
    EXPECT_EQ (window->getStep(), 6);
    EXPECT_EQ (tool.describeRuns(), juce::StringArray ("-u -- reset"));
    EXPECT_FALSE (toolModeEntered);
    EXPECT_EQ (firmware.server.countRequests ("fw/r7_x_v2.00.bin"), 0);
}

TEST_F (ToolFamilySelectStep, AFailedDownloadLeavesNothingBehindAndTheUsersOwnFileIsFlashedAndKept)
{
    const auto image = randomBytes (4000, 3);

    struct Case
    {
        const char* what;
        const char* fw;
        LocalHttpServer::Answer answer;
    };

    const Case cases[] =
    {
        { "not found page",          "fw/r7_x_v2.01.bin",          LocalHttpServer::text ("<html><body>Not Found</body></html>", 404) },
        { "server error page",       "fw/r7_x_v2.01.bin",          LocalHttpServer::text ("Internal error", 500) },
        { "transfer cut short",      "fw/r7_x_v2.01.bin",          LocalHttpServer::bytes (image, LocalHttpServer::Delivery::truncated) },
        { "name leading elsewhere",  "fw/..%2F..%2Fr7_x_v2.01.bin", LocalHttpServer::bytes (image) },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        sim::FlashToolStandIn unit;
        flashToolPath = unit.toolFile().getFullPathName();
        prompts.shown.clear();

        firmware.serveList ({ { 2056, "R7 X", "2.01", c.fw } });
        firmware.server.setAnswer (c.fw, c.answer);

        const auto ownImage = randomBytes (3000, 4);
        const juce::File ownFile (makeImage ("r7_x_v2.01.bin", 3000, 4));
        prompts.fileAnswers = { ownFile };

        auto window = makeWindow ("2.00");
        window->stepSelectFirmware (1);

        ASSERT_EQ (prompts.ofKind ("file").size(), 1u);
        EXPECT_EQ (prompts.ofKind ("file")[0].title, "Choose The Firmware File");
        EXPECT_EQ (prompts.ofKind ("file")[0].message, "*.bin");
        EXPECT_TRUE (firmware.filesInDataHome().isEmpty()) << "no partial or wrong file anywhere";

        EXPECT_EQ (unit.flashBytes (firmwareAddress, ownImage.getSize()), ownImage) << "the user's file, never the server's answer";
        EXPECT_EQ (prompts.messages(), juce::StringArray ("Your firmware has been upgraded!"));
        EXPECT_EQ (sim::ToolFamilyFixture::contentOf (ownFile.getFullPathName()), ownImage) << "the user's file stays";
    }
}

TEST_F (ToolFamilySelectStep, AHandPickedFileMustBeNamedForTheProduct)
{
    struct Case
    {
        const char* what;
        bool serverList;
        const char* served;       // the list's text, or null for a server that answers nothing
        bool repeating;
        const char* box;          // the closing box, or null for none
    };

    const Case cases[] =
    {
        { "no server list",          false, nullptr,                          false, "Not the matching firmware!" },
        { "server unavailable",      true,  nullptr,                          false, "Not the matching firmware!" },
        { "list without the product", true, "<firmwares><firmware pid=\"94\" name=\"Other\" version=\"1.0\" fw=\"o_v1.0.bin\"/></firmwares>",
                                                                               false, "Not the matching firmware!" },
        { "repeating",               true,  nullptr,                          true,  nullptr },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        prompts.shown.clear();
        firmware.server.setAnswer ("firmware.xml", c.served != nullptr ? LocalHttpServer::text (c.served)
                                                                       : LocalHttpServer::text ("gone", 404));
        prompts.fileAnswers = { juce::File (makeImage ("w4_x_v1.00.bin", 3000)) };

        auto window = makeWindow ("2.00", c.serverList);
        repeatMode = c.repeating;

        EXPECT_EQ (window->stepSelectFirmware (1), 0);

        EXPECT_EQ (prompts.ofKind ("file").size(), 1u);
        EXPECT_EQ (prompts.messages(), c.box != nullptr ? juce::StringArray (c.box) : juce::StringArray());

        if (c.box != nullptr)
        {
            EXPECT_EQ (prompts.ofKind ("message")[0].icon, juce::MessageBoxIconType::WarningIcon);
            EXPECT_EQ (prompts.ofKind ("message")[0].title, "Firmware Upgrade");
        }

        EXPECT_EQ (selectedMarker, 0);
        EXPECT_EQ (window->getStep(), 4);
        EXPECT_FALSE (juce::File (firmwareFilePath).existsAsFile());
    }

    EXPECT_FALSE (tool.describeRuns().joinIntoString ("\n").contains ("write-memory"));
}

//==============================================================================
namespace
{
    /** The Select-version step of a MIDI unit (a Dravel 49, product 4130,
        unless a test says otherwise), with the window as the earlier steps
        leave it: the unit's version read by Start, the upgrade port activated. */
    struct MidiSelectStep : UpgraderMidiFixture
    {
        MidiSelectStep()
        {
            prompts.dialogAnswer = std::ref (user);
        }

        ~MidiSelectStep() override
        {
            resetUpgraderState();
        }

        std::unique_ptr<FirmwareUpgradeComponent> makeWindow (float unitVersion, int product = 4130, bool serverList = true)
        {
            auto w = std::make_unique<FirmwareUpgradeComponent> (product, serverList);
            w->startVersion = unitVersion;
            w->setStep (3);
            activatedMarker = 1;
            return w;
        }

        static juce::String enabledButtons (FirmwareUpgradeComponent& window)
        {
            juce::String pattern;

            for (int i = 0; i < stepCount; ++i)
                pattern << (window.getStepButton (i).isEnabled() ? "1" : "0");

            return pattern;
        }

        sim::LocalFirmwareServer firmware;
        sim::ScriptedPrompts prompts;
        sim::FirmwareChooserUser user;
        TempFolder images;
    };
}

TEST_F (MidiSelectStep, AnAutoAdvancingUnitThatHasTheOnlyVersionIsUpToDateAndBackAtStepOne)
{
    firmware.serveList ({ { 4130, "Dravel 49", "1.05", "fw/dravel_49_v1.05.bin" } });
    auto upgrader = makeWindow (1.05f);
    ASSERT_TRUE (autoAdvance);

    EXPECT_EQ (upgrader->stepSelectFirmware (1), 1);

    EXPECT_TRUE (prompts.ofKind ("dialog").empty());
    ASSERT_EQ (prompts.ofKind ("message").size(), 1u);
    EXPECT_EQ (prompts.ofKind ("message")[0].title, "Load File");
    EXPECT_EQ (prompts.ofKind ("message")[0].message, "Your unit is up-to-date!");
    EXPECT_EQ (upgrader->getStep(), 1);
    EXPECT_EQ (selectedMarker, 0) << "Upgrade cannot run from here";
    EXPECT_EQ (firmware.server.countRequests ("fw/dravel_49_v1.05.bin"), 0);
}

TEST_F (MidiSelectStep, ByHandTheChooserOpensForTwoEntriesEvenWhenTheFirstIsTheUnitsVersion)
{
    firmware.serveList ({ { 4130, "Dravel 49", "1.05", "fw/dravel_49_v1.05.bin" },
                          { 4130, "Dravel 49", "1.04", "fw/dravel_49_v1.04.bin" } });
    auto upgrader = makeWindow (1.05f);
    autoAdvance = false;
    user.answer = sim::FirmwareChooserUser::Answer::cancel;

    EXPECT_EQ (upgrader->stepSelectFirmware (1), -1);

    EXPECT_EQ (user.timesWaitedForUser, 1);
    EXPECT_TRUE (prompts.ofKind ("file").empty()) << "a cancelled chooser asks for no file";
    EXPECT_TRUE (prompts.messages().isEmpty());
    EXPECT_EQ (upgrader->getStep(), 4);
    EXPECT_EQ (enabledButtons (*upgrader), "00110");
}

TEST_F (MidiSelectStep, TheChosenVersionIsDownloadedAndReadyForTheUploadWithoutATemporaryFileLeft)
{
    const auto image = randomBytes (3000, 6);
    firmware.serveList ({ { 4130, "Dravel 49", "1.07", "fw/dravel_49_v1.07.bin" },
                          { 4130, "Dravel 49", "1.06", "fw/dravel_49_v1.06.bin" } });
    firmware.serveImage ("fw/dravel_49_v1.07.bin", image);
    auto upgrader = makeWindow (1.06f);
    autoAdvance = false;

    EXPECT_EQ (upgrader->stepSelectFirmware (1), 1);

    EXPECT_EQ (user.timesWaitedForUser, 1);
    ASSERT_NE (upgrader->midiHandler, nullptr);
    EXPECT_EQ (upgrader->midiHandler->getImage(), std::vector<juce::uint8> ((const juce::uint8*) image.begin(), (const juce::uint8*) image.end()));
    EXPECT_FALSE (upgrader->firmwareFile.exists()) << "the download's temporary file went once the image was read";
    EXPECT_TRUE (firmware.filesInDataHome().isEmpty());
    EXPECT_EQ (upgrader->getStep(), 5);
    EXPECT_EQ (selectedMarker, 1);
    EXPECT_TRUE (prompts.messages().isEmpty());
}

TEST_F (MidiSelectStep, ADownloadThatFailsThreeTimesIsReportedAndTheUserIsAskedForAFile)
{
    firmware.serveList ({ { 94, "Tonvik 49", "2.10", "fw/tonvik_49_v2.10.bin" } }, "firmware-special.xml");
    firmware.server.setAnswer ("fw/tonvik_49_v2.10.bin", LocalHttpServer::text ("<html><body>Not Found</body></html>", 404));
    auto upgrader = makeWindow (2.0f, 94);
    autoAdvance = true;

    EXPECT_EQ (upgrader->stepSelectFirmware (1), -1);

    EXPECT_EQ (firmware.server.countRequests ("fw/tonvik_49_v2.10.bin"), 3);
    ASSERT_EQ (prompts.ofKind ("message").size(), 1u);
    EXPECT_EQ (prompts.ofKind ("message")[0].icon, juce::MessageBoxIconType::WarningIcon);
    EXPECT_EQ (prompts.ofKind ("message")[0].title, "Firmware Download");
    EXPECT_EQ (prompts.ofKind ("message")[0].message, "Could not download firmware file");
    EXPECT_EQ (prompts.ofKind ("file").size(), 1u);
    EXPECT_TRUE (upgrader->midiHandler->getImage().empty()) << "the error page is never taken for an image";
    EXPECT_EQ (upgrader->getStep(), 4);
}

TEST_F (MidiSelectStep, AHandPickedFileNotNamedForTheProductIsRefused)
{
    const auto wrongFile = images.createFile ("w4_x_v1.00.bin");

    for (bool autoAdvancing : { false, true })
    {
        SCOPED_TRACE (autoAdvancing ? "auto-advancing" : "by hand");
        prompts.shown.clear();
        prompts.fileAnswers = { wrongFile };
        auto upgrader = makeWindow (1.0f, 4130, false);
        autoAdvance = autoAdvancing;

        EXPECT_EQ (upgrader->stepSelectFirmware (1), 0);

        EXPECT_EQ (prompts.messages(), autoAdvancing ? juce::StringArray() : juce::StringArray ("Not the matching firmware!"));
        EXPECT_EQ (selectedMarker, 0);
        EXPECT_EQ (upgrader->getStep(), 4);
    }
}

TEST_F (MidiSelectStep, ASecondCallWhileTheStepRunsIsRefused)
{
    firmware.serveList ({ { 4130, "Dravel 49", "1.06", "fw/dravel_49_v1.06.bin" } });
    auto upgrader = makeWindow (1.05f);
    autoAdvance = false;
    int secondCall = 99;

    prompts.dialogAnswer = [&] (juce::Component&, const juce::String&)
    {
        secondCall = upgrader->stepSelectFirmware (1);
        return 0;
    };

    EXPECT_EQ (upgrader->stepSelectFirmware (1), -1);
    EXPECT_EQ (secondCall, 0);
    EXPECT_EQ (prompts.ofKind ("dialog").size(), 1u);
}

TEST_F (MidiSelectStep, TheSystemsFileChooserKeepsTheUpgradeWindowFromClosingWhileItRuns)
{
    // JUCE runs the system's file chooser, a process of its own, when it finds one on the PATH.
    TempFolder tools;
    SystemFileChooserStandIn systemChooser (tools.get());
    ScopedEnvironment environment;
    environment.set ("PATH", tools.get().getFullPathName() + ":/usr/bin:/bin");
    environment.unset ("KDE_FULL_SESSION");
    auto* scripted = UpgraderPrompts::setCurrent (nullptr);

    FirmwareUpgradeComponent upgrader (4130, false);
    UpgraderDialogWindow dialog ("Firmware Upgrade", upgrader, false, nullptr, false);
    dialog.setVisible (true);
    autoAdvance = false;
    activatedMarker = 1;

    bool blockedWhileChoosing = false, stayedOpen = false;
    testsupport::WhileADialogRuns during ([&] { return systemChooser.isRunning(); },
                                          [&]
                                          {
                                              blockedWhileChoosing = upgrader.isCurrentlyBlockedByAnotherModalComponent();
                                              dialog.getPeer()->handleUserClosingWindow();
                                              stayedOpen = dialog.isVisible();
                                          },
                                          [&] { systemChooser.answerWith (images.createFile ("dravel_49_v1.05.bin")); });

    EXPECT_EQ (upgrader.stepSelectFirmware (1), 1);
    UpgraderPrompts::setCurrent (scripted);

    EXPECT_TRUE (during.ended);
    EXPECT_TRUE (blockedWhileChoosing);
    EXPECT_TRUE (stayedOpen);
    EXPECT_EQ (upgrader.getStep(), 5) << "the chosen file was taken";

    dialog.getPeer()->handleUserClosingWindow();
    EXPECT_FALSE (dialog.isVisible()) << "closes once the chooser has gone";
}

#include <gtest/gtest.h>

#include "support/HangWatchdog.h"
#include "support/TestProcess.h"
#include "support/UpgraderFixture.h"

#include "common/ResourcesFolder.h"
#include "firmware/FirmwareImageLimit.h"
#include "firmware/tool/FlashProcedure.h"
#include "firmware/tool/FlashTool.h"
#include "firmware/tool/ImageStaging.h"
#include "firmware/tool/ToolProcess.h"
#include "firmware/window/FirmwareUpgradeComponent.h"

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <map>
#include <optional>
#include <sys/resource.h>
#include <sys/wait.h>

using namespace halvik;

namespace
{
    using FlashToolRunner = sim::ToolFamilyFixture;

    /** Whether the process has ended; a zombie that its new parent has yet
        to reap counts as ended. */
    bool hasEndedNow (int processId)
    {
        const auto stat = juce::File ("/proc/" + juce::String (processId) + "/stat").loadFileAsString();
        return stat.isEmpty() || stat.fromLastOccurrenceOf (")", false, false).trim().startsWith ("Z");
    }

    /** The same, waiting a little for it to die. */
    bool hasEnded (int processId)
    {
        return eventually ([processId] { return hasEndedNow (processId); }, 100, 10);
    }

    const juce::String upgradeNotice { "Ready to erase the old firmware...  &&echo. "
                                       "&&echo DO NOT CLOSE the command-line windows during firmware update!" };
    constexpr juce::int64 firmwareAddress = 0x60010000;

    class FlashProcedure : public sim::ToolFamilyFixture
    {
    protected:
        /** The runs of a flash of the 3000-byte "fw.bin" at 0x60010000 that got
            as far as these commands: E erase, W write, K keep, R read, X reset,
            H header erase. */
        juce::StringArray expectedRuns (const juce::String& commands) const
        {
            const auto staged = stagingFolder().getFullPathName() + "/";
            const std::map<juce::juce_wchar, juce::String> runs {
                { 'E', "-u -t 5000 -- flash-erase-region 0x60010000 7096" },
                { 'W', "-u -- write-memory 0x60010000 " + staged + "fw_.bin" },
                { 'K', "-u -- get-property 1" },
                { 'R', "-u -- read-memory 0x60010000 3000 " + staged + "fw.dat" },
                { 'X', "-u -- reset" },
                { 'H', "-u -t 5000 -- flash-erase-region 0x60010000 4096" },
            };

            juce::StringArray expected;

            for (auto command : commands)
                expected.add (runs.at (command));

            return expected;
        }

        bool stagingFolderHasNoFiles() const
        {
            return stagingFolder().getNumberOfChildFiles (juce::File::findFiles) == 0;
        }
    };
}

TEST_F (FlashProcedure, AGoodFlashWritesTheImageChecksItAndResetsTheUnit)
{
    const auto image = makeImage ("fw.bin", 3000);
    toolModeEntered = true;

    FirmwareUpgradeComponent window (2056, true);
    juce::StringArray notices;
    // Until the window goes.
    setFlashToolNoticeSink ([&notices] (const juce::String& text) { notices.add (text); });

    EXPECT_EQ (window.flashFirmwareWithBlhost (image, false, "0x60010000", true, upgradeNotice, 4).message, "");
    EXPECT_EQ (notices, juce::StringArray ("Ready to erase the old firmware... "
                                           "DO NOT CLOSE the command-line windows during firmware update!", ""));

    EXPECT_EQ (tool.describeRuns(), expectedRuns ("EWKRX"));
    EXPECT_EQ (tool.flashBytes (firmwareAddress, 3000), contentOf (image));
    EXPECT_TRUE (stagingFolderHasNoFiles());
    EXPECT_FALSE (toolModeEntered);

    // The notice's 3 s (a second less than the ping count), the erase's size-scaled pause, then the pauses
    // after write, keep, staging clean-up, read, check and reset.
    EXPECT_EQ (pausesMs(), (std::vector<double> { 3000, 112, 3000, 235, 235, 235, 470, 235 }));
}

TEST_F (FlashProcedure, EachFaultEndsWithItsOwnMessageAndABadImagesHeaderIsErasedEvenAfterAStopRequest)
{
    enum Stop { none, beforeTheFlash, whileTheNoticeShows, whileTheUnitIsErased };
    enum Use { forTheCheck, forTheUpgrade };   // the upgrade's flash ends with a reset or a header erase
    enum ToolMode { cleared, stays };

    struct Case
    {
        const char* fault;
        Use use;
        Stop stop;
        const char* message;
        const char* runs;
        ToolMode toolMode;
    };

    // A write with a status but without success goes on: the check decides.
    const Case cases[] {
        { "fail-erase",   forTheUpgrade, none, "Erase failed!",          "EH",    stays   },
        // "Success." without a status line is no answer.
        { "no-status",    forTheUpgrade, none, "Erase failed!",          "EH",    stays   },
        { "mute-write",   forTheUpgrade, none, "Write firmware failed!", "EW",    cleared },
        { "fail-write",   forTheUpgrade, none, "Wrote wrong data!",      "EWKRH", cleared },
        { "fail-read",    forTheUpgrade, none, "Read failed!",           "EWKRH", cleared },
        { "read-no-file", forTheUpgrade, none, "check failed!",          "EWKRH", cleared },
        { "corrupt-read", forTheUpgrade, none, "Wrote wrong data!",      "EWKRH", cleared },
        // Only the image's last byte came back wrong.
        { "corrupt-read-end", forTheUpgrade, none, "Wrote wrong data!",  "EWKRH", cleared },
        // The tool's "status = " and "Success." each reach the program in two reads of its output.
        { "split-verdict", forTheUpgrade, none, "",                      "EWKRX", cleared },
        { "fail-reset",   forTheUpgrade, none, "OK. But reset failed!",  "EWKRX", cleared },
        { "corrupt-read", forTheCheck,   none, "Wrote wrong data!",      "EWKR",  stays   },
        { "no-fault",     forTheCheck,   none, "",                       "EWKR",  stays   },
        // The notice is the last moment a stop keeps the unit from being erased; from the erase on, the flash
        // goes on, and a bad image is made unbootable all the same.
        { "no-fault",     forTheUpgrade, beforeTheFlash,       "Upgrade aborted!",  "",      stays   },
        { "corrupt-read", forTheUpgrade, whileTheNoticeShows,  "Upgrade aborted!",  "",      stays   },
        { "corrupt-read", forTheUpgrade, whileTheUnitIsErased, "Wrote wrong data!", "EWKRH", cleared },
    };

    const auto image = makeImage ("fw.bin", 3000);

    for (auto& c : cases)
    {
        sim::FlashToolStandIn unit;
        unit.setSwitch (c.fault);
        toolModeEntered = true;
        abortRequested = c.stop == beforeTheFlash;

        // The window keeps taking keys while the notice shows and the tool runs; Escape raises the flag.
        setFlashToolNoticeSink ([&c] (const juce::String& notice)
        {
            if (notice.isNotEmpty() && c.stop == whileTheNoticeShows)
                abortRequested = true;
        });

        sim::MessageWatch duringTheErase ([&] { return c.stop == whileTheUnitIsErased && unit.runs().size() == 1; },
                                          [] { abortRequested = true; });

        // A good read-back left by an earlier run proves nothing about this one.
        stagingFolder().createDirectory();
        juce::File (image).copyFileTo (stagingFolder().getChildFile ("fw.dat"));

        const bool finish = c.use == forTheUpgrade;
        const auto flashed = flashImageThroughTool (image, false, "0x60010000", finish, upgradeNotice, 4);
        EXPECT_EQ (flashed.message, c.message) << c.fault;
        EXPECT_EQ (unit.describeRuns(), expectedRuns (c.runs)) << c.fault;
        EXPECT_EQ (toolModeEntered, c.toolMode == stays) << c.fault;

        // A stop during the erase ends as the same fault without a stop does: the row shows the flash going on
        // only if the stop was asked for while the erase ran, and still stood when the flash ended.
        EXPECT_EQ (duringTheErase.hasFired(), c.stop == whileTheUnitIsErased) << c.fault;
        EXPECT_EQ (abortRequested, c.stop != none) << c.fault;

        // However it ended, no staged copy stays behind.
        EXPECT_FALSE (stagingFolder().getChildFile ("fw_.bin").exists()) << c.fault;
    }

    setFlashToolNoticeSink ({});
}

TEST_F (FlashProcedure, AnImageMissingTooLargeOrWithNoPlaceToStageItIsRefusedBeforeTheToolRuns)
{
    enum Staging { roomEnough, aFileWhereTheFolderBelongs };

    // An image of the size (none for -1), or what stands there instead.
    struct Case
    {
        const char* what;
        juce::int64 size;
        Staging staging;
        bool padded;
        const char* message;
        std::optional<NotAnImage> instead {};
    };

    const juce::int64 largest = (juce::int64) maxFirmwareImageBytes;
    const char* cannotRead = "Cannot create firmware file!\n\nCannot read <image>";

    // A staging failure names the folder and the system's reason.
    const Case cases[] {
        { "no image",                        -1,                      roomEnough,    false, "No firmware file!" },
        // Nothing written would still be erased for, and read back as matching.
        { "an empty image",                  0,                       roomEnough,    false,
          "The firmware file is empty!" },
        { "a file where the folder belongs", 100,                     aFileWhereTheFolderBelongs, true,
          "Cannot create firmware file!\n\nCannot create folder <local>: Not a directory" },
        { "one byte too many",               largest + 1,             roomEnough,    false, "Firmware exception!" },
        { "past what an int counts",         3LL * 1024 * 1024 * 1024, roomEnough,   false, "Firmware exception!" },
        { "as large as a firmware may be",   largest,                 roomEnough,    false, "" },
        // Read neither for ever nor past the largest image.
        { "a FIFO",                          -1,                      roomEnough,    false, cannotRead,
          NotAnImage::fifo },
        { "a link to /dev/zero",             -1,                      roomEnough,    false, cannotRead,
          NotAnImage::linkToDevZero },
        { "a link to a file that says it is empty and never ends", -1, roomEnough,   false, cannotRead,
          NotAnImage::linkToEndlessFile },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        const sim::HangWatchdog watchdog (c.what);
        sim::FlashToolStandIn unit;
        const juce::File image (images.get().getChildFile ("fw.bin"));
        image.deleteFile();
        stagingFolder().deleteRecursively();

        if (c.size >= 0)
            std::filesystem::resize_file (makeImage ("fw.bin", 4096).toStdString(), (std::uintmax_t) c.size);

        if (c.instead.has_value())
            makeNotAnImage ("fw.bin", *c.instead);

        if (c.staging == aFileWhereTheFolderBelongs)
            stagingFolder().replaceWithText ("a file where the folder belongs");

        const auto flashed = flashImageThroughTool (image.getFullPathName(), c.padded, "0x60010000", true, {}, 3);
        const auto expected = juce::String (c.message).replace ("<local>", stagingFolder().getFullPathName())
                                                       .replace ("<image>", image.getFullPathName());
        EXPECT_EQ (flashed.message, expected);
        EXPECT_EQ (unit.runs().empty(), juce::String (c.message).isNotEmpty());
        EXPECT_TRUE (stagingFolderHasNoFiles());
    }
}

TEST_F (FlashProcedure, ALinkInTheStagingFolderIsNeverWrittenThrough)
{
    // A unit that keeps what it is sent reads the padded layout back unlike the image.
    struct Case { const char* link; bool padded; const char* message; };
    const Case cases[] {
        { "local/fw_.bin",   false, "" },
        { "local/fw_M1.bin", true,  "Wrote wrong data!" },
        { "local/fw.dat",    false, "" },
        { "local",           false, "Cannot create firmware file!" },
    };

    const auto image = makeImage ("fw.bin", 3000);

    for (auto& c : cases)
    {
        TempFolder elsewhere;
        const auto precious = elsewhere.get().getChildFile ("precious.bin");
        precious.replaceWithText ("not for the unit");
        stagingFolder().deleteRecursively();
        stagingFolder().createDirectory();

        const auto link = getUpgraderDataFolder().getChildFile (c.link);
        link.deleteFile();
        const auto target = juce::String (c.link) == "local" ? elsewhere.get() : precious;
        ASSERT_TRUE (target.createSymbolicLink (link, true)) << c.link;

        const auto flashed = flashImageThroughTool (image, c.padded, "0x60010000", true, {}, 3);
        EXPECT_EQ (flashed.message.upToFirstOccurrenceOf ("\n\n", false, false), c.message) << c.link;
        EXPECT_EQ (elsewhere.get().findChildFiles (juce::File::findFilesAndDirectories, true),
                   juce::Array<juce::File> { precious }) << c.link;
        EXPECT_EQ (precious.loadFileAsString(), "not for the unit") << c.link;
    }
}

TEST_F (FlashProcedure, TheImageIsStagedInTheDataFolderOfTheUsersEnvironment)
{
    // The folder the tool is told to write from; none when the flash is refused. ROOT stands for the test's own
    // folder, which is also the current one: a data home that is not a full path to an existing folder is not taken.
    struct Case { const char* what; const char* dataHome; const char* stagedIn; };
    const Case cases[] {
        { "the data home",                 "ROOT/data",    "data/Tavlo/local" },
        { "no data home",                  nullptr,        "home/.local/share/Tavlo/local" },
        { "a data home that is not there", "ROOT/missing", "home/.local/share/Tavlo/local" },
        { "a data home given relative",    "data",         "home/.local/share/Tavlo/local" },
        { "a link where the folder goes",  "ROOT/linked",  "" },
    };

    TempFolder root;
    root.get().getChildFile ("data").createDirectory();
    root.get().getChildFile ("home").createDirectory();
    root.get().getChildFile ("linked").createDirectory();
    root.get().getChildFile ("data").createSymbolicLink (root.get().getChildFile ("linked/Tavlo"), true);

    const auto previousFolder = juce::File::getCurrentWorkingDirectory();
    root.get().setAsCurrentWorkingDirectory();
    ScopedEnvironment environment ("HOME", root.get().getChildFile ("home").getFullPathName());
    const auto image = makeImage ("fw.bin", 3000);

    for (auto& c : cases)
    {
        if (c.dataHome == nullptr)
            environment.unset ("XDG_DATA_HOME");
        else
            environment.set ("XDG_DATA_HOME", juce::String (c.dataHome).replace ("ROOT", root.get().getFullPathName()));

        sim::FlashToolStandIn unit;
        const bool staged = *c.stagedIn != 0;
        EXPECT_EQ (flashImageThroughTool (image, false, "0x60010000", true, {}, 3).succeeded(), staged) << c.what;

        const auto runs = unit.runs();
        ASSERT_EQ (runs.size(), staged ? 5u : 0u) << c.what;

        if (staged)
            EXPECT_EQ (runs[1][4], root.get().getChildFile (c.stagedIn).getFullPathName() + "/fw_.bin") << c.what;
    }

    previousFolder.setAsCurrentWorkingDirectory();
}

TEST_F (FlashProcedure, FileNamesFromOutsideFlashAsTheyAreAndRunNothingElse)
{
    const juce::String names[] {
        "say \"hi\" it's.bin", "$(touch pwned).bin", "`touch pwned`.bin", "two  spaces.bin",
        "-rf.bin", "--help.bin", "~home.bin", "back\\slash.bin", "a;touch pwned;b&.bin", "line\nbreak.bin",
    };

    const auto previousFolder = juce::File::getCurrentWorkingDirectory();
    images.get().setAsCurrentWorkingDirectory();

    for (int i = 0; i < (int) std::size (names); ++i)
    {
        const auto image = makeImage (names[i], 2000 + i, i + 1);
        const auto staged = stagingFolder().getFullPathName() + "/"
                            + juce::File (image).getFileNameWithoutExtension() + "_.bin";

        EXPECT_EQ (flashImageThroughTool (image, false, "0x60010000", true, {}, 3).message, "") << names[i];
        const auto runs = tool.runs();
        ASSERT_EQ (runs.size(), (size_t) (5 * i + 5)) << names[i];
        EXPECT_EQ (runs[(size_t) (5 * i + 1)][4], staged) << names[i];
        EXPECT_EQ (tool.flashBytes (firmwareAddress, (size_t) (2000 + i)), contentOf (image)) << names[i];
    }

    previousFolder.setAsCurrentWorkingDirectory();

    EXPECT_FALSE (images.get().getChildFile ("pwned").exists());
    EXPECT_FALSE (stagingFolder().getChildFile ("pwned").exists());
    EXPECT_TRUE (stagingFolderHasNoFiles());
}

TEST_F (FlashProcedure, ThePaddedLayoutFollowsEveryFullBlockWithAsManyZeros)
{
    struct Case { int size; int stagedSize; };
    const Case cases[] { { 1016, 2032 }, { 1017, 2033 }, { 1015, 1015 }, { 0, 0 }, { 2100, 4132 } };

    for (auto& c : cases)
    {
        const auto imagePath = makeImage ("fw.bin", c.size);
        const auto image = contentOf (imagePath);
        const auto staged = stagePaddedImage (image, imagePath, "local/", "_M1").path;
        ASSERT_EQ (staged, stagingFolder().getFullPathName() + "/fw_M1.bin") << c.size;

        const auto bytes = contentOf (staged);
        EXPECT_EQ ((int) bytes.getSize(), c.stagedSize) << c.size;

        if (c.size >= 1016)
            EXPECT_EQ (juce::MemoryBlock (bytes.begin() + 1016, 1016), juce::MemoryBlock (1016, true)) << c.size;
    }
}

TEST_F (FlashToolRunner, EraseTimeOutAndPauseGrowWithTheSizeUpToTheirCap)
{
    struct Case { const char* size; const char* timeout; double pauseMs; };
    const Case cases[] { { "0", "5000", 0.0 }, { "315000", "5000", 5000.0 }, { "2000000", "16709", 16709.0 } };

    for (auto& c : cases)
    {
        ports.clearTimeline();
        runBlhostCommand ("erase", c.size, {}, "0x60010000", "1");

        EXPECT_EQ (tool.describeRuns().strings.getLast(),
                   juce::String ("-u -t ") + c.timeout + " -- flash-erase-region 0x60010000 " + c.size);
        EXPECT_EQ (pausesMs().back(), c.pauseMs) << c.size;
    }
}

TEST_F (FlashToolRunner, NothingRunsWhileTheToolRunsOrWithoutAToolPath)
{
    int nestedResult = 0;
    juce::MessageManager::callAsync ([&]
    {
        nestedResult = runBlhostCommand ("reset", "524288", {}, "0x60010000", "3");
    });
    EXPECT_EQ (runBlhostCommand ("keep", "524288", {}, "0x60010000", "3"), 1);
    EXPECT_EQ (nestedResult, -1);

    flashToolPath = {};
    EXPECT_EQ (runBlhostCommand ("keep", "524288", {}, "0x60010000", "3"), -1);

    EXPECT_EQ (tool.describeRuns(), juce::StringArray ("-u -- get-property 1"));
}

TEST_F (FlashToolRunner, AHungToolIsKilledWithWhatItStartedAndReapedAndGivesNoOutput)
{
    tool.setSwitch ("hang");
    tool.setSwitch ("leave-helper");

    const auto run = runToolProcess ({ sim::FlashToolStandIn::toolFile().getFullPathName(), "-u", "--", "reset" }, 500);

    EXPECT_TRUE (run.started);
    EXPECT_TRUE (run.timedOut);
    EXPECT_TRUE (run.output.isEmpty());

    // No child is left behind, not even as a zombie.
    errno = 0;
    EXPECT_EQ (waitpid (-1, nullptr, WNOHANG), -1);
    EXPECT_EQ (errno, ECHILD);

    if (const auto pid = tool.hungProcessId(); pid > 0)
        EXPECT_NE (::kill (pid, 0), 0);

    EXPECT_GT (tool.helperProcessId(), 0);
    EXPECT_TRUE (hasEnded (tool.helperProcessId()));
}

TEST_F (FlashToolRunner, ARunThatEndedCountsAndWhatItLeftHoldingItsOutputEndsSoonAfter)
{
    // Left alone, the helper would hold the output for 3 s, then end and take its process id file with it.
    tool.setSwitch ("leave-helper", "3000");

    const auto toolPath = sim::FlashToolStandIn::toolFile().getFullPathName();
    const auto run = runToolProcess ({ toolPath, "-u", "--", "reset" }, 20000);

    EXPECT_TRUE (run.started && ! run.timedOut);
    EXPECT_TRUE (run.output.contains ("status = 0") && run.output.contains ("Success.")) << run.output;
    EXPECT_GT (tool.helperProcessId(), 0) << "the run waited for the helper's own end";
    EXPECT_TRUE (hasEnded (tool.helperProcessId()));
}

TEST_F (FlashToolRunner, OutputPrintedAfterTheToolEndedDoesNotCountAndAHelperOutsideItsGroupIsNotWaitedFor)
{
    // The helper leaves the tool's group, holds the output for five minutes (far longer than any test runs),
    // and prints a success of its own once the tool is gone; the tool itself fails.
    tool.setSwitch ("leave-detached-helper");
    tool.setSwitch ("fail-reset");

    EXPECT_EQ (resetThroughTool(), 0) << "only what the tool printed up to its end counts";

    const auto helper = tool.helperProcessId();
    ASSERT_GT (helper, 0);
    EXPECT_FALSE (hasEndedNow (helper)) << "the run ended while the helper still held its output";
    ::kill (helper, SIGKILL);
}

TEST_F (FlashToolRunner, AVerdictAfterHundredsOfMegabytesCountsWithItsStatusLineAndLittleOfItIsKept)
{
    tool.setSwitch ("chatter", "200000000");
    rusage before {}, after {};
    getrusage (RUSAGE_SELF, &before);

    EXPECT_EQ (runBlhostCommand ("keep", "524288", {}, "0x60010000", "3"), 1);
    tool.setSwitch ("fail-property");
    EXPECT_EQ (runBlhostCommand ("keep", "524288", {}, "0x60010000", "3"), 0);

    getrusage (RUSAGE_SELF, &after);
    EXPECT_LT (after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "KiB more at the peak";
}

TEST (FlashToolPlace, TheProgramLooksInItsResourcesFolderWhereNoStandInLiesAndTheStandInAnswersOnlyInATest)
{
    ScopedEnvironment noVariable ("TAVLO_FLASH_TOOL", {});
    EXPECT_EQ (locateFlashTool(), getResourcesFolder().getChildFile ("Assets/tools/linux/blhost"));

    juce::MemoryBlock standIn;
    ASSERT_TRUE (sim::FlashToolStandIn::toolFile().loadFileAsData (standIn));

    for (auto folder : { testpaths::buildFolder().getChildFile ("resources"),
                         testpaths::sourceFolder().getChildFile ("resources") })
    {
        for (auto& entry : juce::RangedDirectoryIterator (folder, true, "*", juce::File::findFiles))
        {
            juce::MemoryBlock content;

            if (entry.getFileSize() == (juce::int64) standIn.getSize() && entry.getFile().loadFileAsData (content))
                EXPECT_NE (content, standIn) << entry.getFile().getFullPathName();
        }
    }

    // Without a unit given to it by a test, the stand-in reports no status.
    ScopedEnvironment noUnit ("TAVLO_FLASH_STANDIN_STATE", {});
    const auto toolPath = sim::FlashToolStandIn::toolFile().getFullPathName();
    const auto run = runToolProcess ({ toolPath, "-u", "--", "get-property", "1" }, 20000);
    EXPECT_TRUE (run.started);
    EXPECT_FALSE (run.output.contains ("status = "));
}

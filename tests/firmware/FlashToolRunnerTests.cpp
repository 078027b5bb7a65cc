#include <gtest/gtest.h>

#include "support/ScopedEnvironment.h"
#include "support/TestPaths.h"
#include "support/TestProcess.h"
#include "support/ToolFamilyFixture.h"

#include "app/ResourcesFolder.h"
#include "firmware/tool/FlashTool.h"
#include "firmware/tool/ToolProcess.h"

#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>

using namespace halvik;

using FlashToolRunner = sim::ToolFamilyFixture;

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

TEST_F (FlashToolRunner, NothingRunsForAnUnknownCommandWhileTheToolRunsOrWithoutAToolPath)
{
    EXPECT_EQ (runBlhostCommand ("flash", "524288", {}, "0x60010000", "3"), -1);

    int nestedResult = 0;
    juce::MessageManager::callAsync ([&] { nestedResult = runBlhostCommand ("reset", "524288", {}, "0x60010000", "3"); });
    EXPECT_EQ (runBlhostCommand ("keep", "524288", {}, "0x60010000", "3"), 1);
    EXPECT_EQ (nestedResult, -1);

    flashToolPath = {};
    EXPECT_EQ (runBlhostCommand ("keep", "524288", {}, "0x60010000", "3"), -1);

    EXPECT_EQ (tool.describeRuns(), juce::StringArray ("-u -- get-property 1"));
}

namespace
{
    /** Whether the process has ended, waiting a little for it to die; a
        zombie that its new parent has yet to reap counts as ended. */
    bool hasEnded (int processId)
    {
        return eventually ([processId]
        {
            const auto stat = juce::File ("/proc/" + juce::String (processId) + "/stat").loadFileAsString();
            return stat.isEmpty() || stat.fromLastOccurrenceOf (")", false, false).trim().startsWith ("Z");
        }, 100, 10);
    }
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

    const auto run = runToolProcess ({ sim::FlashToolStandIn::toolFile().getFullPathName(), "-u", "--", "reset" }, 20000);

    EXPECT_TRUE (run.started && ! run.timedOut);
    EXPECT_TRUE (run.output.contains ("status = 0") && run.output.contains ("Success.")) << run.output;
    EXPECT_GT (tool.helperProcessId(), 0) << "the run waited for the helper's own end";
    EXPECT_TRUE (hasEnded (tool.helperProcessId()));
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

    for (auto folder : { testpaths::buildFolder().getChildFile ("resources"), testpaths::sourceFolder().getChildFile ("resources") })
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
    const auto run = runToolProcess ({ sim::FlashToolStandIn::toolFile().getFullPathName(), "-u", "--", "get-property", "1" }, 20000);
    EXPECT_TRUE (run.started);
    EXPECT_FALSE (run.output.contains ("status = "));
}

#include "support/EditorFixture.h"
#include "support/HangWatchdog.h"
#include "support/TestSurroundings.h"

#include "common/UntrustedXml.h"
#include "editor/files/MappingFile.h"
#include "editor/files/MappingFileCommands.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace NsDravel;

namespace
{
    class MappingFiles : public sim::FreshEditorState
    {
    protected:
        // A map of the mode, changed by edit, saved; the image is then put back
        // to its start so that only the load itself is measured.
        juce::File savedMap (int mode, std::function<void (juce::ValueTree&)> edit = {})
        {
            auto map = createMapTree (mode);

            if (edit)
                edit (map);

            auto file = folder.getChildFile ("map" + juce::String (counter++) + ".tavlo");
            EXPECT_TRUE (saveMappingToFile (map, file).wasOk());
            resetImageToFactory();
            return file;
        }

        TempFolder temp;
        const juce::File folder = temp.get();
        int counter = 0;
    };
}

//==============================================================================
TEST_F (MappingFiles, TheFactoryMappingIsSavedAsUtf8XmlAndLoadsBackToTheSameImageBytes)
{
    auto file = folder.getChildFile ("factory.tavlo");
    ASSERT_TRUE (saveMappingToFile (model->getCurrentMap(), file).wasOk());

    const auto text = file.loadFileAsString();
    EXPECT_TRUE (text.startsWith ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    EXPECT_TRUE (text.contains ("<map mode=\"Nuendo\" name=\"Nuendo (MCP)\">"));
    EXPECT_TRUE (text.contains ("<control id=\"1\" kind=\"piano\" type=\"note\" chan=\"1\" value=\"0\" "
                                "octave=\"8\"/>"));
    EXPECT_TRUE (text.contains ("<control id=\"2\" kind=\"pedal-and-wheel\" type=\"cc\" chan=\"1\" value=\"64\" "
                                "sustain=\"0\"/>"));
    EXPECT_FALSE (text.contains ("pid"));

    // Everything the loader writes, changed.
    deviceSettingsImage.header[0] = 0x95;
    deviceSettingsImage.pedalAndWheel[2] = { 0x09, 0x93, 0x30, 0x00, 0x00, 0x00 };
    deviceSettingsImage.knobs[1][1] = 0xbc;
    deviceSettingsImage.knobs[1][2] = 0x55;

    ASSERT_TRUE (loadMappingFromFile (*model, file).wasOk());

    EXPECT_EQ (deviceSettingsImage, factorySettingsImage);
    EXPECT_EQ (model->getModes().getNumChildren(), 4);
    EXPECT_EQ (model->getModes()[ModelIds::current].toString(), "Nuendo");
}

TEST_F (MappingFiles, AFileTakesThePlaceOfItsModesMapAndItsAssignmentsComeBack)
{
    const auto file = savedMap (1, [] (juce::ValueTree& map)
    {
        getControlById (map, 4).setProperty (ModelIds::type, "pitch", nullptr);
        getControlById (map, 4).setProperty (ModelIds::chan, 3, nullptr);
        getControlById (map, 3).setProperty (ModelIds::value, 127, nullptr);
        getControlById (map, 6).setProperty (ModelIds::chan, 2, nullptr);
        getControlById (map, 1).setProperty (ModelIds::chan, 16, nullptr);
    });

    deviceSettingsImage.pedalAndWheel[2][0] = 0x3b;     // high nibble kept, low nibble replaced

    ASSERT_TRUE (loadMappingFromFile (*model, file).wasOk());

    EXPECT_EQ (deviceSettingsImage.pedalAndWheel[2][0], 0x3e);
    EXPECT_EQ (deviceSettingsImage.pedalAndWheel[2][1], 0xe2);
    EXPECT_EQ (deviceSettingsImage.pedalAndWheel[1][2], 127);
    EXPECT_EQ (deviceSettingsImage.knobs[0][1], 0xb1);
    EXPECT_EQ (deviceSettingsImage.header[0], 0x9f);

    ASSERT_EQ (model->getModes().getNumChildren(), 4);
    const auto map = model->getCurrentMap();
    EXPECT_EQ (model->getModes().getChild (1), map);
    EXPECT_EQ (map[ModelIds::mode].toString(), "Cubase");
    EXPECT_EQ (getControlById (map, 4)[ModelIds::type].toString(), "pitch");

    // Reaper has no map at start: its file's map is added and becomes current.
    ASSERT_TRUE (loadMappingFromFile (*model, savedMap (7)).wasOk());
    ASSERT_EQ (model->getModes().getNumChildren(), 5);
    EXPECT_EQ (model->getModes().getChild (4), model->getCurrentMap());
    EXPECT_EQ (model->getCurrentMap()[ModelIds::mode].toString(), "Reaper");

    // The product id the model holds is applied again only when it names a keyboard.
    const std::pair<int, int> productIdsAndAfter[] { { 0x1024, 0x1024 }, { 0x1020, 0x1020 }, { 0x2000, 0x1020 } };

    for (auto [productId, after] : productIdsAndAfter)
    {
        model->getModes().setProperty (ModelIds::pid, productId, nullptr);
        ASSERT_TRUE (loadMappingFromFile (*model, savedMap (1)).wasOk());
        EXPECT_EQ (model->getProductId(), after) << productId;
    }
}

TEST_F (MappingFiles, OptionalSettingsReachTheImageOnlyWhenPresentAndTheModeAllowsThem)
{
    const auto userDefined = savedMap (6, [] (juce::ValueTree& map)
    {
        getControlById (map, 1).setProperty (ModelIds::curve, 7, nullptr);
        getControlById (map, 1).setProperty (ModelIds::octave, 16, nullptr);
        getControlById (map, 1).setProperty (ModelIds::transposition, 4, nullptr);
        getControlById (map, 2).setProperty (ModelIds::sustain, 1, nullptr);
        getControlById (map, 6).setProperty (ModelIds::clockwise, 1, nullptr);
    });

    ASSERT_TRUE (loadMappingFromFile (*model, userDefined).wasOk());
    EXPECT_EQ (deviceSettingsImage.header[1], 16);
    EXPECT_EQ (deviceSettingsImage.header[2], 4);
    EXPECT_EQ (deviceSettingsImage.header[3], 7);
    EXPECT_EQ (deviceSettingsImage.pedalAndWheel[0][3], 0x7f);     // the pedal acts on release
    EXPECT_EQ (deviceSettingsImage.pedalAndWheel[0][4], 0x00);
    EXPECT_EQ (deviceSettingsImage.knobs[0][3], 0x40);             // clockwise
    EXPECT_EQ (deviceSettingsImage.knobs[0][4], 0x00);

    // Without an octave or a sustain polarity, and outside the user-defined mode
    // (where the knob direction is not the editor's to set), those bytes stay as they were.
    const auto nuendo = savedMap (0, [] (juce::ValueTree& map)
    {
        getControlById (map, 1).removeProperty (ModelIds::octave, nullptr);
        getControlById (map, 2).removeProperty (ModelIds::sustain, nullptr);
        getControlById (map, 6).setProperty (ModelIds::clockwise, 1, nullptr);
    });
    deviceSettingsImage.pedalAndWheel[0][3] = 0x7f;     // the pedal set to act on release
    const auto before = deviceSettingsImage;

    ASSERT_TRUE (loadMappingFromFile (*model, nuendo).wasOk());
    EXPECT_EQ (deviceSettingsImage.header[1], before.header[1]);
    EXPECT_EQ (deviceSettingsImage.pedalAndWheel[0][3], before.pedalAndWheel[0][3]);
    EXPECT_EQ (deviceSettingsImage.knobs[0], before.knobs[0]);
}

//==============================================================================
TEST_F (MappingFiles, AWriteThatStopsHalfWayKeepsThePreviousFile)
{
    const auto file = folder.getChildFile ("kept.tavlo");
    ASSERT_TRUE (saveMappingToFile (model->getCurrentMap(), file).wasOk());
    const auto previous = file.loadFileAsString();
    model->setCurrentMode (1);

    // Room for 300 bytes, then for none, as a full disk would leave.
    for (rlim_t room : { 300, 0 })
    {
        auto result = juce::Result::ok();

        {
            ScopedFileSizeLimit limit (room);
            result = saveMappingToFile (model->getCurrentMap(), file);
        }

        EXPECT_EQ (result.getErrorMessage(), "Failed to write mapping file") << room;
        EXPECT_EQ (file.loadFileAsString(), previous) << room;
        EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFiles), 1) << room;
    }
}

//==============================================================================
TEST_F (MappingFiles, TheEditorsCommandsShowOnlyFailuresInAWarningBox)
{
    sim::AlertRecorder alerts;
    auto* host = Host::getInstance();
    const auto good = folder.getChildFile ("good.tavlo");

    host->setCurrentMode (3);
    EXPECT_TRUE (saveMappingFileWithMessage (good).wasOk());
    host->setCurrentMode (0);
    EXPECT_TRUE (loadMappingFileWithMessage (good).wasOk());
    EXPECT_EQ (host->getCurrentModeIndex(), 3);
    EXPECT_TRUE (saveMappingFileWithMessage (folder.getChildFile ("none").getChildFile ("x.tavlo")).failed());

    host->setCurrentMode (5);     // no Pro Tools map exists
    EXPECT_TRUE (saveMappingFileWithMessage (folder.getChildFile ("pro tools.tavlo")).failed());
    EXPECT_FALSE (folder.getChildFile ("pro tools.tavlo").exists());

    EXPECT_EQ (alerts.titles, juce::StringArray ("Save Mapping", "Save Mapping"));
    EXPECT_EQ (alerts.messages,
               juce::StringArray ("Failed to write mapping file", "Could not save current mapping to disk"));
}

//==============================================================================
namespace
{
    using MapEdit = std::function<void (juce::ValueTree&)>;

    MapEdit setOn (int id, const juce::Identifier& property, juce::var value)
    {
        return [=] (juce::ValueTree& map) { getControlById (map, id).setProperty (property, value, nullptr); };
    }

    MapEdit setOnMap (const juce::Identifier& property, juce::var value)
    {
        return [=] (juce::ValueTree& map) { map.setProperty (property, value, nullptr); };
    }

    MapEdit removeFrom (int id, const juce::Identifier& property)
    {
        return [=] (juce::ValueTree& map) { getControlById (map, id).removeProperty (property, nullptr); };
    }

    MapEdit removeControl (int id)
    {
        return [=] (juce::ValueTree& map)
        {
            map.getChildWithName (ModelIds::controls).removeChild (getControlById (map, id), nullptr);
        };
    }

    // A mapping the program saved, with one thing broken.
    std::string brokenMap (MapEdit breakIt)
    {
        auto map = createMapTree (1);
        breakIt (map);
        return map.createXml()->toString().toStdString();
    }

    // A mapping the program saved, followed by blanks up to the size given.
    std::string mapPaddedTo (size_t size)
    {
        auto text = createMapTree (1).createXml()->toString().toStdString();
        text.resize (std::max (size, text.size()), ' ');
        return text;
    }

    // A mapping the program saved, with a branch nested depth levels deep put
    // inside it; the loader takes unknown children, so only the depth is wrong.
    juce::String mapWithDeepBranch (int depth)
    {
        const auto branch = juce::String::repeatedString ("<x>", depth) + juce::String::repeatedString ("</x>", depth);
        return createMapTree (1).createXml()->toString().replace ("</map>", branch + "</map>");
    }

    juce::File linkTo (const juce::String& target, const juce::File& link)
    {
        EXPECT_TRUE (juce::File (target).createSymbolicLink (link, true)) << target;
        return link;
    }
}

TEST_F (MappingFiles, BadAndHostileFilesAreRefusedWithTheUsualMessageAndChangeNothing)
{
    // Declarations of entities that nest, around a map that is otherwise fine.
    auto withEntities = juce::String (brokenMap (setOnMap (ModelIds::name, "&l2;")))
                            .replace ("&amp;l2;", "&l2;")
                            .replace ("<map ", "<!DOCTYPE map [<!ENTITY l0 \"ha\"><!ENTITY l1 \"&l0;&l0;&l0;\">"
                                               "<!ENTITY l2 \"&l1;&l1;&l1;\">]>\n<map ");

    // A mapping the program saved, with its name in Latin-1 rather than UTF-8.
    auto latin1 = brokenMap (setOnMap (ModelIds::name, "cafX"));
    latin1.replace (latin1.find ("cafX"), 4, "caf\xE9");

    const std::pair<const char*, std::string> badFiles[]
    {
        { "empty",                       {} },
        { "entity declarations",         withEntities.toStdString() },
        { "a foreign root",              "<project mode=\"Cubase\"><controls/></project>" },
        { "control 5 missing",           brokenMap (removeControl (5)) },
        { "an unknown mode",             brokenMap (setOnMap (ModelIds::mode, "Fruity")) },
        { "channel 0",                   brokenMap (setOn (2, ModelIds::chan, 0)) },
        { "channel 17",                  brokenMap (setOn (7, ModelIds::chan, 17)) },
        { "a channel that is no number", brokenMap (setOn (3, ModelIds::chan, "3rd")) },
        { "value 128",                   brokenMap (setOn (5, ModelIds::value, 128)) },
        { "curve 8",                     brokenMap (setOn (1, ModelIds::curve, 8)) },
        { "octave 3",                    brokenMap (setOn (1, ModelIds::octave, 3)) },
        { "transposition 3",             brokenMap (setOn (1, ModelIds::transposition, 3)) },
        { "transposition 17",            brokenMap (setOn (1, ModelIds::transposition, 17)) },
        { "sustain 2",                   brokenMap (setOn (2, ModelIds::sustain, 2)) },
        { "clockwise 5",                 brokenMap (setOn (6, ModelIds::clockwise, 5)) },
        { "an unknown message type",     brokenMap (setOn (4, ModelIds::type, "sysex")) },
        { "no message type",             brokenMap (removeFrom (3, ModelIds::type)) },
        { "one byte more than 1 MiB",    mapPaddedTo (1024 * 1024 + 1) },
        // Text that JUCE's reader cannot take safely: too deep, not UTF-8, hanging it, or asking for gigabytes.
        { "a mapping nested one level too deep",      mapWithDeepBranch (maxUntrustedXmlDepth).toStdString() },
        { "a mapping that is not UTF-8",              latin1 },
        { "a processing instruction, then text",      "<map mode=\"Cubase\"><controls><?m?>x</controls></map>" },
        { "a base64 attribute of 2 GB",               brokenMap (setOn (3, "base64:x", "2147483647.")) },
    };

    // Names that lead to no regular file, or to one that never ends: none may
    // hang the load or fill memory, and none is taken, not even a pipe that
    // holds a whole mapping and then ends, as a FIFO does once its writer is done.
    const auto waiting = folder.getChildFile ("waiting.tavlo");
    ASSERT_EQ (::mkfifo (waiting.getFullPathName().toRawUTF8(), 0600), 0);
    int pipeEnds[2];
    ASSERT_EQ (::pipe2 (pipeEnds, O_CLOEXEC), 0);
    const auto mapping = mapPaddedTo (0);
    ASSERT_EQ (::write (pipeEnds[1], mapping.data(), mapping.size()), (ssize_t) mapping.size());
    ::close (pipeEnds[1]);
    ASSERT_TRUE (folder.getChildFile ("folder.tavlo").createDirectory());

    const std::pair<const char*, juce::File> notPlainFiles[]
    {
        { "no file at all",                    folder.getChildFile ("absent.tavlo") },
        { "a FIFO no one writes to",           waiting },
        { "a pipe that holds a whole mapping", juce::File ("/proc/self/fd/" + juce::String (pipeEnds[0])) },
        { "/dev/zero",                         juce::File ("/dev/zero") },
        { "/dev/urandom",                      juce::File ("/dev/urandom") },
        { "a folder",                          folder.getChildFile ("folder.tavlo") },
        { "a link to /dev/zero",               linkTo ("/dev/zero", folder.getChildFile ("zeros.tavlo")) },
        { "a link to a file that says it is empty and never ends",
          linkTo ("/proc/self/pagemap", folder.getChildFile ("endless.tavlo")) },
    };

    sim::AlertRecorder alerts;
    auto* host = Host::getInstance();
    host->setCurrentMode (2);
    const auto modesBefore = host->impl->getModes().createCopy();
    const auto imageBefore = deviceSettingsImage;

    auto expectRefusedChangingNothing = [&] (const char* what, const juce::File& file)
    {
        const sim::HangWatchdog watchdog (what);
        EXPECT_EQ (loadMappingFileWithMessage (file).getErrorMessage(), "Could not load mapping data") << what;
        EXPECT_TRUE (host->impl->getModes().isEquivalentTo (modesBefore)) << what;
        EXPECT_EQ (deviceSettingsImage, imageBefore) << what;
    };

    for (auto& [what, bytes] : badFiles)
    {
        auto file = folder.getChildFile ("bad.tavlo");
        ASSERT_TRUE (file.replaceWithData (bytes.data(), bytes.size())) << what;
        expectRefusedChangingNothing (what, file);
    }

    for (auto& [what, file] : notPlainFiles)
        expectRefusedChangingNothing (what, file);

    ::close (pipeEnds[0]);
    EXPECT_EQ (host->getCurrentMap()[ModelIds::mode].toString(), "Logic");
    EXPECT_EQ (alerts.messages.size(), (int) (std::size (badFiles) + std::size (notPlainFiles)));
    EXPECT_EQ (alerts.titles[0], "Load Mapping");
    EXPECT_EQ (alerts.messages[0], "Could not load mapping data");

    // A mapping as deep, and one as large, as the limits allow still loads.
    folder.getChildFile ("deep.tavlo").replaceWithText (mapWithDeepBranch (maxUntrustedXmlDepth - 1));
    EXPECT_TRUE (host->loadMappingFile (folder.getChildFile ("deep.tavlo")).wasOk());

    const auto largest = mapPaddedTo (1024 * 1024);
    ASSERT_TRUE (folder.getChildFile ("large.tavlo").replaceWithData (largest.data(), largest.size()));
    EXPECT_TRUE (host->loadMappingFile (folder.getChildFile ("large.tavlo")).wasOk());

    // A link to a mapping is followed.
    const auto linked = folder.getChildFile ("link.tavlo");
    EXPECT_TRUE (host->loadMappingFile (linkTo (folder.getChildFile ("deep.tavlo").getFullPathName(), linked)).wasOk());
}

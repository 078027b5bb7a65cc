#include "support/DispatchUntil.h"
#include "support/EditorFixture.h"
#include "support/TempFolder.h"

#include "editor/MappingFile.h"
#include "editor/MappingFilePrompts.h"

using namespace sim;

namespace
{
    /** Answers the editor's file questions as the test says, and notes which
        files it was asked about replacing. */
    struct ScriptedFilePrompts final : public NsDravel::MappingFilePrompts
    {
        ScriptedFilePrompts()            : previous (setCurrent (this)) {}
        ~ScriptedFilePrompts() override  { setCurrent (previous); }

        juce::File chooseFileToLoad() override                  { return fileToLoad; }
        juce::File chooseFileToSave() override                  { return nameToSave; }
        bool confirmOverwrite (const juce::File& file) override { overwriteQuestions.add (file.getFileName()); return replace; }

        juce::File fileToLoad, nameToSave;
        bool replace = true;
        juce::StringArray overwriteQuestions;
        NsDravel::MappingFilePrompts* previous;
    };

    struct SaveAndLoadCommands : public EditorFixture
    {
        juce::File document (const juce::String& name) const   { return folder.get().getChildFile (name); }

        void saveAs (const juce::String& name)
        {
            prompts.nameToSave = name.isEmpty() ? juce::File() : document (name);
            click (editor->saveFileButton);
        }

        void load (const juce::File& file)
        {
            prompts.fileToLoad = file;
            click (editor->loadFileButton);
        }

        /** The attribute of a control in a saved file; empty when it has none. */
        static juce::String savedAttribute (const juce::File& file, int control, const char* name)
        {
            if (auto xml = juce::parseXML (file))
                if (auto* controls = xml->getChildByName ("controls"))
                    for (auto* c : controls->getChildIterator())
                        if (c->getIntAttribute ("id") == control)
                            return c->getStringAttribute (name);

            return {};
        }

        TempFolder folder;
        ScriptedFilePrompts prompts;
    };
}

TEST_F (SaveAndLoadCommands, ANameWithoutExtensionGetsTavloAndTheOverwriteQuestionIsAskedForTheFinalName)
{
    struct Case
    {
        juce::String chosen;
        juce::StringArray existing;     // files already in the folder
        bool replace;
        juce::String written;           // the file the mapping must be in afterwards
        juce::StringArray questions;    // files the user is asked about replacing
    };

    const Case cases[] {
        { "live",       {},                true,  "live.tavlo",  {} },
        { "live",       { "live" },        true,  "live.tavlo",  {} },               // the name as typed is not the file written
        { "live",       { "live.tavlo" },  true,  "live.tavlo",  { "live.tavlo" } },
        { "live.",      {},                true,  "live.tavlo",  {} },
        { "live.tavlo", { "live.tavlo" },  true,  "live.tavlo",  { "live.tavlo" } },
        { "live.xml",   {},                true,  "live.xml",    {} },               // another extension is kept
        { "live",       { "live.tavlo" },  false, {},            { "live.tavlo" } },
        { {},           {},                true,  {},            {} },               // the chooser was cancelled
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (("\"" + c.chosen + "\" with " + c.existing.joinIntoString (", ")).toStdString());
        folder.get().deleteRecursively();
        folder.get().createDirectory();

        for (auto& name : c.existing)
            document (name).replaceWithText ("before");

        prompts.replace = c.replace;
        prompts.overwriteQuestions.clear();
        saveAs (c.chosen);

        EXPECT_EQ (prompts.overwriteQuestions, c.questions);

        juce::StringArray written;

        for (auto& file : folder.get().findChildFiles (juce::File::findFiles, false))
            if (file.loadFileAsString() != "before")
                written.add (file.getFileName());

        EXPECT_EQ (written, c.written.isEmpty() ? juce::StringArray() : juce::StringArray (c.written));

        for (auto& name : c.existing)
            if (name != c.written)
                EXPECT_EQ (document (name).loadFileAsString(), "before");
    }
}

TEST_F (SaveAndLoadCommands, AfterAFactoryResetTheSavedFileHoldsWhatTheEditorShowsAndLoadingItSendsTheFactoryBytes)
{
    SimulatedKeyboard keyboard (ports);
    tick();

    // User Defined is the mode in which a knob's direction reaches the keyboard:
    // start from such a mapping with knob 1 turned round.
    auto userDefined = NsDravel::createMapTree (6);
    NsDravel::getControlById (userDefined, 6).setProperty ("clockwise", 0, nullptr);
    ASSERT_TRUE (NsDravel::saveMappingToFile (userDefined, document ("turned.tavlo")).wasOk());
    load (document ("turned.tavlo"));

    click (controlButton (1));
    pick (editor->msgTypeCombo, "Curve 7");
    pick (editor->fifthCombo, "+3");
    ASSERT_NE (NsDravel::deviceSettingsImage, NsDravel::factorySettingsImage);

    click (editor->resetButton);
    ASSERT_EQ (NsDravel::deviceSettingsImage, NsDravel::factorySettingsImage);
    EXPECT_EQ (editor->msgTypeCombo.getText(), "Curve 1");
    EXPECT_EQ (editor->fifthCombo.getText(), "0");

    saveAs ("after reset");
    const auto saved = document ("after reset.tavlo");
    EXPECT_EQ (savedAttribute (saved, 1, "curve"), "0");
    EXPECT_EQ (savedAttribute (saved, 1, "transposition"), "8");
    EXPECT_EQ (savedAttribute (saved, 6, "clockwise"), "1");

    // Everything changed again; the file brings the factory settings back.
    pick (editor->msgTypeCombo, "Curve 5");
    pick (editor->fifthCombo, "-4");
    controlButton (6).setClockwise (false);
    ASSERT_NE (NsDravel::deviceSettingsImage, NsDravel::factorySettingsImage);

    keyboard.clearRecords();
    load (saved);
    EXPECT_EQ (editor->msgTypeCombo.getText(), "Curve 1");
    // The keys' list shows the loaded curve again, which asks for the settings to be sent.
    ASSERT_TRUE (testsupport::dispatchUntil ([] { return NsDravel::pendingSettingsWrite; }));
    tick();

    ASSERT_FALSE (keyboard.appliedImages().empty());
    EXPECT_EQ (keyboard.appliedImages().back().bytes, imageBytes (NsDravel::factorySettingsImage));
}

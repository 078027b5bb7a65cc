#include "support/EditorFixture.h"
#include "support/TestSurroundings.h"

#include "editor/files/MappingFile.h"
#include "editor/files/MappingFilePrompts.h"

using namespace sim;

namespace
{
    /** The editor's file questions answered as the test says, while it lives. */
    struct ScriptedFilePrompts final : public NsDravel::MappingFilePrompts
    {
        ScriptedFilePrompts()            : previous (setCurrent (this)) {}
        ~ScriptedFilePrompts() override  { setCurrent (previous); }

        juce::File chooseFileToLoad() override                  { return fileToLoad; }
        juce::File chooseFileToSave() override                  { return nameToSave; }

        bool confirmOverwrite (const juce::File& file) override
        {
            overwriteQuestions.add (file.getFileName());
            return replace;
        }

        juce::File fileToLoad, nameToSave;      // File() for a cancel
        bool replace = true;
        juce::StringArray overwriteQuestions;   // the names of the files the user was asked about replacing
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

        /** A control as a saved file holds it. */
        static juce::ValueTree savedControl (const juce::File& file, int id)
        {
            auto xml = juce::parseXML (file);
            return xml == nullptr ? juce::ValueTree() : NsDravel::getControlById (juce::ValueTree::fromXml (*xml), id);
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
        // The name as typed is not the file written.
        { "live",       { "live" },        true,  "live.tavlo",  {} },
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
    keyboard.clearRecords();
    tick();
    ASSERT_FALSE (keyboard.appliedImages().empty()) << "the reset is sent";
    EXPECT_EQ (keyboard.appliedImages().back(), imageBytes (NsDravel::factorySettingsImage));

    saveAs ("after reset");
    const auto saved = document ("after reset.tavlo");
    EXPECT_EQ (savedControl (saved, 1)["curve"].toString(), "0");
    EXPECT_EQ (savedControl (saved, 1)["transposition"].toString(), "8");
    EXPECT_EQ (savedControl (saved, 6)["clockwise"].toString(), "1");

    // Everything changed again; the file brings the factory settings back.
    pick (editor->msgTypeCombo, "Curve 5");
    pick (editor->fifthCombo, "-4");
    controlButton (6).setClockwise (false);
    ASSERT_NE (NsDravel::deviceSettingsImage, NsDravel::factorySettingsImage);

    load (saved);
    EXPECT_EQ (editor->msgTypeCombo.getText(), "Curve 1");
    keyboard.clearRecords();
    tick();     // the changes above asked for a write: it sends the image as the file left it

    ASSERT_FALSE (keyboard.appliedImages().empty());
    EXPECT_EQ (keyboard.appliedImages().back(), imageBytes (NsDravel::factorySettingsImage));
}

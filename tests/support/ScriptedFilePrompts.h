#pragma once

#include "editor/files/MappingFilePrompts.h"

namespace sim
{

/** The editor's file questions answered as the test says. Constructing one
    installs it; destroying it puts the previous prompts back. Message thread. */
struct ScriptedFilePrompts final : public NsDravel::MappingFilePrompts
{
    ScriptedFilePrompts()            : previous (setCurrent (this)) {}
    ~ScriptedFilePrompts() override  { setCurrent (previous); }

    juce::File chooseFileToLoad() override                  { return fileToLoad; }
    juce::File chooseFileToSave() override                  { return nameToSave; }
    bool confirmOverwrite (const juce::File& file) override { overwriteQuestions.add (file.getFileName()); return replace; }

    /** What the choosers answer (File() for a cancel) and the answer about replacing. */
    juce::File fileToLoad, nameToSave;
    bool replace = true;

    /** The names of the files the user was asked about replacing, in order. */
    juce::StringArray overwriteQuestions;

private:
    NsDravel::MappingFilePrompts* previous;
};

} // namespace sim

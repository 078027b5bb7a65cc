#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace NsDravel
{

/**
    The questions that the editor's "Save File" and "Load File" commands ask:
    the two file choosers and the question before an existing file is
    replaced. The program's are JUCE's dialogs; tests install their own with
    setCurrent and put the previous ones back after.
    Message thread only; each question runs a modal loop.
*/
class MappingFilePrompts
{
public:
    virtual ~MappingFilePrompts() = default;

    /** "Load Mapping", filtered on "*.tavlo": the file to load, or File() when
        the chooser was cancelled. */
    virtual juce::File chooseFileToLoad() = 0;

    /** "Save Mapping", filtered on "*.tavlo": the file as the user named it
        (the system's chooser may add no extension), or File() when cancelled.
        It asks nothing about existing files: the command asks that itself,
        for the name it will really write. */
    virtual juce::File chooseFileToSave() = 0;

    /** Asks whether an existing file may be replaced; true to replace it. */
    virtual bool confirmOverwrite (const juce::File& file) = 0;

    /** The prompts in use: JUCE's dialogs unless a test installed others. */
    static MappingFilePrompts& getCurrent();

    /** Installs prompts and returns the ones replaced (null stands for JUCE's). */
    static MappingFilePrompts* setCurrent (MappingFilePrompts* newPrompts);
};

} // namespace NsDravel

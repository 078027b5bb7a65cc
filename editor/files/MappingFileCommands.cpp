#include "editor/files/MappingFileCommands.h"
#include "editor/device/HostImpl.h"
#include "editor/files/MappingFile.h"
#include "editor/files/MappingFilePrompts.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace NsDravel
{
    juce::Result saveMappingFileWithMessage (const juce::File& file)
    {
        return showMappingFileResult (MappingFileTexts::saveChooserTitle, saveMappingToFile (Host::getInstance()->getCurrentMap(), file));
    }

    juce::Result loadMappingFileWithMessage (const juce::File& file)
    {
        return showMappingFileResult (MappingFileTexts::loadChooserTitle, loadMappingFromFile (*Host::getInstance()->impl, file));
    }

    juce::File withMappingFileExtension (const juce::File& chosen)
    {
        // A name ending in a bare dot has no extension either.
        if (chosen.getFileExtension().length() > 1)
            return chosen;

        return chosen.withFileExtension (MappingFileTexts::fileExtension);
    }

    void runSaveFileCommand()
    {
        auto& prompts = MappingFilePrompts::getCurrent();
        const auto chosen = prompts.chooseFileToSave();

        if (chosen == juce::File())
            return;

        // The system's chooser on this platform adds no extension, and the Load
        // dialog shows only "*.tavlo": the question about replacing a file is
        // therefore asked here, about the file that will really be written.
        const auto file = withMappingFileExtension (chosen);

        if (file.exists() && ! prompts.confirmOverwrite (file))
            return;

        saveMappingFileWithMessage (file);
    }

    bool runLoadFileCommand()
    {
        const auto file = MappingFilePrompts::getCurrent().chooseFileToLoad();

        if (file == juce::File())
            return false;

        loadMappingFileWithMessage (file);
        return true;
    }

    juce::Result showMappingFileResult (const juce::String& title, const juce::Result& result)
    {
        if (result.failed())
            juce::AlertWindow::showMessageBoxAsync (juce::MessageBoxIconType::WarningIcon,
                                                    title, result.getErrorMessage());

        return result;
    }
}

#include "MappingFileCommands.h"
#include "HostImpl.h"
#include "MappingFile.h"

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

    juce::Result showMappingFileResult (const juce::String& title, const juce::Result& result)
    {
        if (result.failed())
            juce::AlertWindow::showMessageBoxAsync (juce::MessageBoxIconType::WarningIcon,
                                                    title, result.getErrorMessage());

        return result;
    }
}

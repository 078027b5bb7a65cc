#include "editor/files/MappingFilePrompts.h"
#include "editor/files/MappingFile.h"

#include "common/WindowsBlockedWhileChoosing.h"

namespace NsDravel
{

namespace
{
    /** JUCE's own dialogs. */
    class JuceMappingFilePrompts final : public MappingFilePrompts
    {
    public:
        juce::File chooseFileToLoad() override
        {
            WindowsBlockedWhileChoosing blocked;
            juce::FileChooser chooser (MappingFileTexts::loadChooserTitle, juce::File(), MappingFileTexts::filePattern, true);
            return chooser.browseForFileToOpen() ? chooser.getResult() : juce::File();
        }

        juce::File chooseFileToSave() override
        {
            WindowsBlockedWhileChoosing blocked;
            juce::FileChooser chooser (MappingFileTexts::saveChooserTitle, juce::File(), MappingFileTexts::filePattern, true);
            return chooser.browseForFileToSave (false) ? chooser.getResult() : juce::File();
        }

        bool confirmOverwrite (const juce::File& file) override
        {
            // The texts JUCE's own chooser asks with.
            return juce::AlertWindow::showOkCancelBox (juce::MessageBoxIconType::WarningIcon,
                                                       TRANS ("File already exists"),
                                                       TRANS ("There's already a file called: FLNM").replace ("FLNM", file.getFullPathName())
                                                           + "\n\n" + TRANS ("Are you sure you want to overwrite it?"),
                                                       TRANS ("Overwrite"), TRANS ("Cancel"),
                                                       nullptr, nullptr);
        }
    };

    JuceMappingFilePrompts& jucePrompts()
    {
        static JuceMappingFilePrompts prompts;
        return prompts;
    }

    MappingFilePrompts* installedPrompts = nullptr;
}

MappingFilePrompts& MappingFilePrompts::getCurrent()
{
    return installedPrompts != nullptr ? *installedPrompts : jucePrompts();
}

MappingFilePrompts* MappingFilePrompts::setCurrent (MappingFilePrompts* newPrompts)
{
    return std::exchange (installedPrompts, newPrompts);
}

} // namespace NsDravel

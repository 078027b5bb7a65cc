#include "firmware/window/UpgraderPrompts.h"

#include "firmware/window/UpgraderDialogWindow.h"

#include "common/WindowsBlockedWhileChoosing.h"

namespace halvik
{

namespace
{
    /** JUCE's own dialogs. */
    class JucePrompts final : public UpgraderPrompts
    {
    public:
        bool askOkCancel (juce::MessageBoxIconType icon, const juce::String& title,
                          const juce::String& message, const juce::String& okText,
                          const juce::String& cancelText) override
        {
            return juce::AlertWindow::showOkCancelBox (icon, title, message, okText, cancelText,
                                                       nullptr, nullptr);
        }

        int askChoice (juce::MessageBoxIconType icon, const juce::String& title,
                       const juce::String& message, const juce::StringArray& buttonTexts,
                       const juce::Array<int>& buttonValues) override
        {
            juce::AlertWindow alert (title, message, icon, nullptr);

            for (int i = 0; i < buttonTexts.size(); ++i)
                alert.addButton (buttonTexts[i], buttonValues[i]);

            return alert.runModalLoop();
        }

        void showMessage (juce::MessageBoxIconType icon, const juce::String& title,
                          const juce::String& message) override
        {
            juce::AlertWindow::showMessageBoxAsync (icon, title, message);
        }

        void showMessageOverNextDialog (juce::MessageBoxIconType icon, const juce::String& title,
                                        const juce::String& message) override
        {
            // Posted, it opens from inside the next dialog's modal loop, once
            // that dialog is on the screen and modal; shown anyway should no
            // dialog follow.
            juce::MessageManager::callAsync ([icon, title, message]
            {
                juce::AlertWindow::showMessageBoxAsync (icon, title, message);
            });
        }

        void showMessageAndWait (juce::MessageBoxIconType icon, const juce::String& title,
                                 const juce::String& message) override
        {
            juce::AlertWindow::showMessageBox (icon, title, message);
        }

        int runDialog (juce::Component& content, const juce::String& title,
                       juce::Component* centreAround, bool escapeCloses) override
        {
            return UpgraderDialogWindow::runModal (content, title, centreAround, escapeCloses);
        }

        juce::File chooseFileToOpen (const juce::String& title, const juce::File& initialFile,
                                     const juce::String& patterns) override
        {
            WindowsBlockedWhileChoosing blocked;
            juce::FileChooser chooser (title, initialFile, patterns, true);
            return chooser.browseForFileToOpen() ? chooser.getResult() : juce::File();
        }
    };

    JucePrompts& jucePrompts()
    {
        static JucePrompts prompts;
        return prompts;
    }

    UpgraderPrompts* installedPrompts = nullptr;
}

UpgraderPrompts& UpgraderPrompts::getCurrent()
{
    return installedPrompts != nullptr ? *installedPrompts : jucePrompts();
}

UpgraderPrompts* UpgraderPrompts::setCurrent (UpgraderPrompts* newPrompts)
{
    return std::exchange (installedPrompts, newPrompts);
}

} // namespace halvik

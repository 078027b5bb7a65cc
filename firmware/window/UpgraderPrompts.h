#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace halvik
{

/** Every message box, question, chooser dialog and file dialog of the upgrader
    goes through here, so that the steps can run headless in tests with
    scripted answers. The program's prompts are JUCE's dialogs; tests install
    their own with setCurrent and put the previous one back after.
    Message thread only.
*/
class UpgraderPrompts
{
public:
    virtual ~UpgraderPrompts() = default;

    /** A modal question with two buttons; true for the first ("OK", "Yes"). */
    virtual bool askOkCancel (juce::MessageBoxIconType icon, const juce::String& title,
                              const juce::String& message, const juce::String& okText,
                              const juce::String& cancelText) = 0;

    /** A modal choice among buttons, each with its return value: the value of
        the button pressed, 0 when the box was closed otherwise. */
    virtual int askChoice (juce::MessageBoxIconType icon, const juce::String& title,
                           const juce::String& message, const juce::StringArray& buttonTexts,
                           const juce::Array<int>& buttonValues) = 0;

    /** A message box that does not wait for the user. */
    virtual void showMessage (juce::MessageBoxIconType icon, const juce::String& title,
                              const juce::String& message) = 0;

    /** A message box that does not wait for the user, about the dialog that
        opens next: it opens once that dialog is up, in front of it (a box
        opened before the dialog would end up behind it). */
    virtual void showMessageOverNextDialog (juce::MessageBoxIconType icon, const juce::String& title,
                                            const juce::String& message) = 0;

    /** A message box that returns once the user closed it: for a message that
        a dialog opened next would otherwise hide. */
    virtual void showMessageAndWait (juce::MessageBoxIconType icon, const juce::String& title,
                                     const juce::String& message) = 0;

    /** Runs a dialog around the content modally and returns its modal result
        (1 when the content confirmed it, 0 when it was closed). The caller
        keeps the content; it must still exist when this returns. The
        program's dialog is an UpgraderDialogWindow: its close button asks a
        content that is a CloseGuard first. */
    virtual int runDialog (juce::Component& content, const juce::String& title,
                           juce::Component* centreAround, bool escapeCloses) = 0;

    /** Asks for a file to open; File() when cancelled. */
    virtual juce::File chooseFileToOpen (const juce::String& title, const juce::File& initialFile,
                                         const juce::String& patterns) = 0;

    /** The prompts in use: JUCE's dialogs unless a test installed others. */
    static UpgraderPrompts& getCurrent();

    /** Installs prompts and returns the ones replaced (null stands for JUCE's). */
    static UpgraderPrompts* setCurrent (UpgraderPrompts* newPrompts);
};

} // namespace halvik

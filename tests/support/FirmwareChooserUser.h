#pragma once

#include "firmware/window/FirmwareSelectComponent.h"
#include "firmware/window/UpgraderDialogWindow.h"

namespace sim
{

/** A user in front of the upgrader's "Firmware Version" dialog, for tests
    that script the upgrader's prompts (ScriptedPrompts::dialogAnswer): the
    chooser runs in the program's own dialog and, unless it confirmed itself,
    the user takes an entry with "OK" or presses "Cancel".
    Message thread only. */
class FirmwareChooserUser
{
public:
    enum class Answer { takeEntry, cancel };

    /** What the user will do, and which entry (by position) they take. */
    Answer answer = Answer::takeEntry;
    int entryIndex = 0;

    /** How often the dialog was still waiting for the user once it ran. */
    int timesWaitedForUser = 0;

    /** Runs the dialog around the chooser (the content the step gave) and
        returns its modal result. */
    int operator() (juce::Component& content, const juce::String& title)
    {
        auto* chooser = dynamic_cast<halvik::FirmwareSelectComponent*> (&content);

        if (chooser == nullptr)
            return 0;

        // Queued after the chooser's own "OK" of auto-advance, so this sees
        // whether that click already ended the dialog.
        juce::MessageManager::callAsync ([this, safe = juce::Component::SafePointer<halvik::FirmwareSelectComponent> (chooser)]
        {
            auto* dialog = safe != nullptr ? safe->findParentComponentOfClass<juce::DialogWindow>() : nullptr;

            if (dialog == nullptr || ! dialog->isCurrentlyModal())
                return;

            ++timesWaitedForUser;

            if (answer == Answer::cancel)
            {
                safe->getCancelButton().triggerClick();
                return;
            }

            safe->getFirmwareList().setSelectedItemIndex (entryIndex, juce::sendNotificationSync);
            safe->getOkButton().triggerClick();
        });

        return halvik::UpgraderDialogWindow::runModal (content, title, nullptr, true);
    }
};

} // namespace sim

#pragma once

#include "support/ComponentQueries.h"

#include "firmware/window/UpgraderDialogWindow.h"

namespace sim
{

/** A user in front of one of the upgrader's choosers (device or firmware),
    also as a ScriptedPrompts dialog answer (std::ref keeps the count). The
    chooser runs in the program's own modal dialog. Once the chooser's own
    queued clicks are through (its "OK" when it confirms itself), a dialog
    that still waits counts as one wait, and the user picks the entry and
    clicks the button; a dialog that refused the click is then closed, so it
    answers 0. Message thread. */
struct ChooserUser
{
    int entry = -1;                       // by position; -1 keeps the chooser's own choice
    juce::String button { "OK" };
    int waits = 0;

    int operator() (juce::Component& chooser, const juce::String& title = "Chooser")
    {
        // Only while the dialog waits is this call, and so this user, still there.
        juce::MessageManager::callAsync ([this, safe = Safe (&chooser)]
        {
            if (waitingDialogOf (safe) != nullptr)
                act (safe);
        });

        return halvik::UpgraderDialogWindow::runModal (chooser, title, nullptr, true);
    }

    static juce::DialogWindow* waitingDialogOf (juce::Component* chooser)
    {
        auto* dialog = chooser != nullptr ? chooser->findParentComponentOfClass<juce::DialogWindow>() : nullptr;
        return dialog != nullptr && dialog->isCurrentlyModal() ? dialog : nullptr;
    }

private:
    using Safe = juce::Component::SafePointer<juce::Component>;

    void act (Safe chooser)
    {
        ++waits;

        if (entry >= 0)
            for (auto* child : chooser->getChildren())
                if (auto* list = dynamic_cast<juce::ComboBox*> (child))
                    list->setSelectedItemIndex (entry, juce::sendNotificationSync);

        testsupport::findButton (*chooser, button)->triggerClick();

        // The click arrives as a message after this one; two hops later the
        // dialog has either ended or refused.
        juce::MessageManager::callAsync ([chooser] { juce::MessageManager::callAsync ([chooser]
        {
            if (auto* dialog = waitingDialogOf (chooser))
                dialog->closeButtonPressed();
        }); });
    }
};

} // namespace sim

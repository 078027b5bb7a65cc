#pragma once

#include "support/ComponentQueries.h"

#include "firmware/window/UpgraderDialogWindow.h"

#include <functional>

namespace sim
{

/** A user in front of one of the upgrader's choosers (device or firmware),
    also as a ScriptedPrompts dialog answer (std::ref keeps the counts). The
    chooser runs in the program's own modal dialog. Once the chooser's own
    queued clicks are through (its "OK" when it confirms itself), a dialog
    that still waits counts as one wait, and the user picks the entry and
    clicks the button; a dialog that refused the click is then closed, so it
    answers 0. Message thread. */
struct ChooserUser
{
    int entry = -1;                       // by position; -1 keeps the chooser's own choice
    juce::String button { "OK" };
    std::function<void (juce::Component& chooser)> instead;   // acts in place of the pick and the click
    int waits = 0;
    bool refused = false;

    int operator() (juce::Component& chooser, const juce::String& title = "Chooser")
    {
        juce::MessageManager::callAsync ([this, safe = Safe (&chooser)] { act (safe); });
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
        if (waitingDialogOf (chooser) == nullptr)
            return;

        ++waits;

        if (instead != nullptr)
            return instead (*chooser);

        if (entry >= 0)
            for (auto* child : chooser->getChildren())
                if (auto* list = dynamic_cast<juce::ComboBox*> (child))
                    list->setSelectedItemIndex (entry, juce::sendNotificationSync);

        testsupport::findButton (*chooser, button)->triggerClick();

        // The click arrives as a message after this one; two hops later the
        // dialog has either ended or refused.
        juce::MessageManager::callAsync ([this, chooser] { juce::MessageManager::callAsync ([this, chooser]
        {
            if (auto* dialog = waitingDialogOf (chooser))
            {
                refused = true;
                dialog->closeButtonPressed();
            }
        }); });
    }
};

} // namespace sim

#include "firmware/window/UpgraderDialogWindow.h"

#include <utility>

namespace halvik
{

UpgraderDialogWindow::UpgraderDialogWindow (const juce::String& title, juce::Component& content,
                                            juce::Component* centreAround, bool escapeClosesWindow)
    : juce::DialogWindow (title, juce::Colours::lightgrey, escapeClosesWindow, false,
                          centreAround != nullptr ? juce::Component::getApproximateScaleFactorForComponent (centreAround)
                                                  : 1.0f),
      escapeCloses (escapeClosesWindow)
{
    // The title bar first: the window's size is worked out around the content
    // from the borders of the title bar in use. The window goes on the desktop
    // only after that: JUCE shows a window on the desktop whose title bar
    // changes, visible or not, and a window manager would then take it on
    // before it is modal, without the window it blocks named as its owner.
    setUsingNativeTitleBar (true);
    setResizable (false, false);

    setContentNonOwned (&content, true);

    centreAroundComponent (centreAround, getWidth(), getHeight());
    addToDesktop();

    watchedContent = &content;
    content.addKeyListener (&keysThroughContent);
}

UpgraderDialogWindow::~UpgraderDialogWindow()
{
    if (watchedContent != nullptr)
        watchedContent->removeKeyListener (&keysThroughContent);
}

int UpgraderDialogWindow::runModal (juce::Component& content, const juce::String& title,
                                    juce::Component* centreAround, bool escapeClosesDialog)
{
    auto window = std::make_unique<UpgraderDialogWindow> (title, content, centreAround, escapeClosesDialog);
    window->enterModalState (true, nullptr, true);

    // The modal manager owns the window from here and deletes it once it has
    // left its modal state, before runModalLoop returns.
    return window.release()->runModalLoop();
}

bool UpgraderDialogWindow::mayClose() const
{
    if (isCurrentlyBlockedByAnotherModalComponent())
        return false;

    if (auto* guard = dynamic_cast<const CloseGuard*> (getContentComponent()))
        return guard->canCloseNow();

    return true;
}

void UpgraderDialogWindow::closeButtonPressed()
{
    if (mayClose())
        setVisible (false);
}

bool UpgraderDialogWindow::escapeKeyPressed()
{
    if (! escapeCloses)
        return false;

    closeButtonPressed();
    return true;
}

void UpgraderDialogWindow::focusGained (FocusChangeType cause)
{
    juce::DialogWindow::focusGained (cause);

    if (auto* content = getContentComponent(); content != nullptr && content->getWantsKeyboardFocus()
                                                  && content->isShowing() && ! content->hasKeyboardFocus (true))
        content->grabKeyboardFocus();
}

bool UpgraderDialogWindow::keyPressed (const juce::KeyPress& key)
{
    // Once a dialog over this one has gone (a chooser that confirmed itself,
    // say), JUCE's keyboard focus has gone with it while the window system's
    // stayed here: keys then land on this window, which is also where keys
    // typed into a window this one blocks are sent. The content hears them
    // as it would have, and takes the focus for the keys that follow. A key
    // that went through the content already is not handed to it again, even
    // when what it did there took the focus away (a box it opened).
    const bool throughContent = std::exchange (keysThroughContent.seen, false);

    if (auto* content = getContentComponent(); ! throughContent && content != nullptr
                                                  && content->getWantsKeyboardFocus() && content->isShowing())
    {
        const juce::Component::SafePointer<juce::Component> safeContent (content);
        content->grabKeyboardFocus();

        if (safeContent == nullptr || content->keyPressed (key))
            return true;
    }

    return juce::DialogWindow::keyPressed (key);
}

} // namespace halvik

#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

namespace halvik
{

/** A dialog content that may refuse the dialog's close button for a while. */
class CloseGuard
{
public:
    virtual ~CloseGuard() = default;

    /** Whether the dialog around this content may close now. */
    virtual bool canCloseNow() const = 0;
};

/** The upgrader's modal dialog window. Unlike JUCE's own dialog, its close
    button (and Escape, when Escape closes it) asks the content first: a
    content that is a CloseGuard can refuse. It also refuses to close while a
    modal window of its own runs in front of it, since the code that opened
    that window is still waiting inside the content.

    When it takes the keyboard focus it passes it on to a content that wants
    it, so that the content hears keys from the moment the dialog shows.
    Message thread only.
*/
class UpgraderDialogWindow final : public juce::DialogWindow
{
public:
    /** A dialog around the content, sized to it and centred on centreAround
        (or the screen); takeOwnership makes the window delete the content. */
    UpgraderDialogWindow (const juce::String& title, juce::Component& content, bool takeOwnership,
                          juce::Component* centreAround, bool escapeClosesDialog);

    /** Runs a dialog around a content the caller keeps, modally, until it
        closes; returns its modal result (0 when it was closed). */
    static int runModal (juce::Component& content, const juce::String& title,
                         juce::Component* centreAround, bool escapeClosesDialog);

    /** The same for a content that the dialog deletes when it closes. */
    static int runModal (std::unique_ptr<juce::Component> content, const juce::String& title,
                         juce::Component* centreAround, bool escapeClosesDialog);

    /** Whether the close button would close the window now. */
    bool mayClose() const;

    /** Hides the window (which ends its modal loop) unless mayClose() refuses. */
    void closeButtonPressed() override;

    bool escapeKeyPressed() override;
    void focusGained (FocusChangeType cause) override;

private:
    static int runModal (std::unique_ptr<UpgraderDialogWindow> window);

    const bool escapeCloses;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (UpgraderDialogWindow)
};

} // namespace halvik

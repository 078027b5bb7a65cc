#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

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
    it, so that the content hears keys from the moment the dialog shows, and
    a key that lands on the window while no component inside holds the focus
    still reaches such a content.
    Message thread only.
*/
class UpgraderDialogWindow final : public juce::DialogWindow
{
public:
    /** A dialog around a content that the caller keeps, sized to it and
        centred on centreAround (or the screen). */
    UpgraderDialogWindow (const juce::String& title, juce::Component& content,
                          juce::Component* centreAround, bool escapeClosesDialog);

    /** Runs a dialog around a content the caller keeps, modally, until it
        closes; returns its modal result (0 when it was closed). */
    static int runModal (juce::Component& content, const juce::String& title,
                         juce::Component* centreAround, bool escapeClosesDialog);

    /** Hides the window (which ends its modal loop), unless the content
        refuses or a modal window of its own runs in front of it. */
    void closeButtonPressed() override;

    bool escapeKeyPressed() override;
    void focusGained (FocusChangeType cause) override;

    /** A key that reaches the window without going through the content (no
        component inside holds the focus) goes to a content that wants the
        keys first. */
    bool keyPressed (const juce::KeyPress& key) override;

    ~UpgraderDialogWindow() override;

private:
    /** Notes that a key went through the content on its way to this window. */
    struct KeysThroughContent final : juce::KeyListener
    {
        bool keyPressed (const juce::KeyPress&, juce::Component*) override
        {
            seen = true;
            return false;
        }

        bool seen = false;
    };

    /** Whether the close button would close the window now. */
    bool mayClose() const;

    const bool escapeCloses;
    juce::Component::SafePointer<juce::Component> watchedContent;
    KeysThroughContent keysThroughContent;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (UpgraderDialogWindow)
};

} // namespace halvik

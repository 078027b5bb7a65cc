#pragma once

#include <juce_gui_extra/juce_gui_extra.h>

/** The program's system-tray entry with its "Show", "Hide" and "Quit" menu.

    It only refers to the main component, which Ctrl+Q or the close button can
    destroy while the tray still exists: the menu then leaves the window alone.
*/
class DemoTaskbarComponent  : public juce::SystemTrayIconComponent,
                              private juce::Timer
{
public:
    /** Menu item ids; 0 means the menu was dismissed. */
    enum MenuItem
    {
        showItem = 1,
        hideItem = 2,
        quitItem = 4
    };

    /** Takes the main window's content component (not owned); no image, no tooltip. */
    explicit DemoTaskbarComponent (juce::Component* mainComponent);
    ~DemoTaskbarComponent() override;

    /** A click on the tray entry opens the menu shortly after, once per burst of clicks. */
    void mouseDown (const juce::MouseEvent&) override;

    /** Acts on a menu choice: show or hide the window that holds the main
        component, or ask the application to quit. Message thread. */
    static void handleTrayMenuResult (int result, DemoTaskbarComponent* tray);

protected:
    /** Shows the tray menu at the mouse position without blocking; the choice
        goes to handleTrayMenuResult while this component exists. */
    virtual void showMenu (const juce::PopupMenu& menu);

private:
    void timerCallback() override;

    /** The window the main component lives in, or null when the component has gone. */
    juce::Component* findMainWindow() const;

    juce::Component::SafePointer<juce::Component> mainComponent;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DemoTaskbarComponent)
};

#pragma once

#include <juce_gui_extra/juce_gui_extra.h>

#include "DemoRunnerApplication.h"

class MainComponent;

/** The program's one top-level window, with the native title bar, of the
    editor's fixed size (it can be minimised, not maximised or resized). It owns
    the main component and the tray component, and ends the program on Ctrl+Q or
    its close button, tearing the content down while the message loop still
    runs; both wait while a dialog runs. */
class DemoRunnerApplication::MainAppWindow : public juce::DocumentWindow
{
public:
    /** Builds the main component with the editor from the factory. When that fails
        the window stays off the desktop and constructionSucceeded() is false. */
    explicit MainAppWindow (const juce::String& name,
                            std::function<juce::Component*()> createEditor = NsDravel::createMainComp);
    ~MainAppWindow() override;

    /** True when the content was built and the window shown. */
    bool constructionSucceeded() const noexcept;

    /** The content as a MainComponent; null when it is gone or of another kind. */
    MainComponent* findMainComponent() const;

    /** The tray component; null until one is created. */
    juce::SystemTrayIconComponent* getTrayComponent() const noexcept;

    /** True for Ctrl+Q with no other modifier, whichever case the key code has. */
    static bool isQuitKey (const juce::KeyPress& key);

    /** True while a dialog of the program runs (it is then brought to the
        front): closing the window or quitting must wait until it has ended.
        Message thread. */
    static bool refusesToCloseNow();

    /** Ctrl+Q ends the program, unless a dialog runs; the key press is never
        reported as consumed. */
    bool keyPressed (const juce::KeyPress& key) override;
    void parentSizeChanged() override;
    void closeButtonPressed() override;

private:
    bool windowBuilt = false;
    std::unique_ptr<juce::SystemTrayIconComponent> trayComponent;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainAppWindow)
};

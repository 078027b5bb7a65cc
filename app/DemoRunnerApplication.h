#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include <functional>
#include <memory>

#include "editor/window/CreateMainComp.h"

class SingleInstanceHandOff;

/** The application object: one running instance, one main window hosting the
    keyboard mapping editor. All of it runs on the message thread. */
class DemoRunnerApplication : public juce::JUCEApplication
{
public:
    class MainAppWindow;

    /** The editor comes from the factory (the mapping editor unless a caller
        injects another one). */
    explicit DemoRunnerApplication (std::function<juce::Component*()> createEditor = NsDravel::createMainComp);
    ~DemoRunnerApplication() override;

    const juce::String getApplicationName() override;
    const juce::String getApplicationVersion() override;
    bool moreThanOneInstanceAllowed() override;
    void initialise (const juce::String& commandLine) override;
    void shutdown() override;
    void anotherInstanceStarted (const juce::String& commandLine) override;
    void systemRequestedQuit() override;
    bool backButtonPressed() override;

    /** Before initialise: a second start hands its command line to the running
        instance and ends; the first start listens for later ones. */
    bool initialiseApp() override;

    /** The main window, null before initialise kept one and after shutdown. */
    MainAppWindow* getMainWindow() const noexcept;

private:
    std::function<juce::Component*()> editorFactory;
    std::unique_ptr<SingleInstanceHandOff> instanceHandOff;
    std::unique_ptr<MainAppWindow> mainWindow;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DemoRunnerApplication)
};

/** The framework's application factory: a new DemoRunnerApplication. */
juce::JUCEApplicationBase* createApplication();

#include "DemoRunnerApplication.h"
#include "ChildProcessMode.h"
#include "DemoContentComponent.h"
#include "DemoRegistry.h"
#include "MainAppWindow.h"
#include "MainComponent.h"
#include "SingleInstanceHandOff.h"
#include "common/ModalWindowsInFront.h"
#include "common/TextConstants.h"

#include "editor/device/Host.h"

#include <iostream>

DemoRunnerApplication::DemoRunnerApplication (std::function<juce::Component*()> createEditor)
    : editorFactory (std::move (createEditor))
{
}

DemoRunnerApplication::~DemoRunnerApplication() = default;

const juce::String DemoRunnerApplication::getApplicationName()
{
    return texts::applicationName;
}

const juce::String DemoRunnerApplication::getApplicationVersion()
{
    return texts::applicationVersion;
}

bool DemoRunnerApplication::moreThanOneInstanceAllowed()
{
    return false;
}

bool DemoRunnerApplication::initialiseApp()
{
    // The framework's own instance check on this platform never reaches the
    // running instance, so a second start is handed over here instead.
    if (! moreThanOneInstanceAllowed())
    {
        instanceHandOff = std::make_unique<SingleInstanceHandOff> (SingleInstanceHandOff::getDefaultFolder(),
                                                                   getApplicationName());

        const auto outcome = instanceHandOff->claimOrHandOff (getCommandLineParameters());

        if (outcome != SingleInstanceHandOff::Outcome::firstInstance)
        {
            if (outcome == SingleInstanceHandOff::Outcome::noAnswer)
                setApplicationReturnValue (1);

            return false;
        }

        instanceHandOff->startListening ([] (const juce::String& commandLine)
        {
            if (auto* app = juce::JUCEApplicationBase::getInstance())
                app->anotherInstanceStarted (commandLine);
        });
    }

    initialise (getCommandLineParameters());

    return ! juce::MessageManager::getInstance()->hasStopMessageBeenSent();
}

void DemoRunnerApplication::initialise (const juce::String& commandLine)
{
    registerAllDemoEntries();

    if (startChildProcessMode (commandLine))
        return;

    keepModalWindowsInFront();

    // With no display the framework has nowhere to put the window and crashes
    // placing it: say so instead, as scripts/run does, and fail. DISPLAY is
    // looked at first: without it the framework would try display :0 on its
    // own, which may be somebody else's.
    const auto display = juce::SystemStats::getEnvironmentVariable ("DISPLAY", {});

    if (display.isEmpty() || juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() == nullptr)
    {
        std::cerr << "Tavlo cannot start: there is no display to show its window on: "
                  << (display.isEmpty() ? juce::String ("DISPLAY is not set.")
                                        : "the display \"" + display + "\" (DISPLAY) cannot be opened.")
                  << std::endl;
        setApplicationReturnValue (1);
        juce::MessageManager::getInstance()->stopDispatchLoop();
        return;
    }

    auto window = std::make_unique<MainAppWindow> (getApplicationName() + juce::String(), editorFactory);

    if (window->constructionSucceeded())
    {
        mainWindow = std::move (window);
        return;
    }

    // No editor: end without a window or a message, but tell the caller it failed.
    window.reset();
    setApplicationReturnValue (1);
    juce::MessageManager::getInstance()->stopDispatchLoop();
}

void DemoRunnerApplication::shutdown()
{
    // The window goes first, and the editor with it, whose end stops the device
    // timer; only then may the device host go, closing the keyboard's ports.
    auto window = std::move (mainWindow);
    window.reset();
    NsDravel::releaseDeviceHost();
}

void DemoRunnerApplication::anotherInstanceStarted (const juce::String& commandLine)
{
    juce::ignoreUnused (commandLine);

    if (mainWindow != nullptr)
    {
        mainWindow->toFront (true);
        mainWindow->setVisible (true);
    }
}

void DemoRunnerApplication::systemRequestedQuit()
{
    // Stopping the loop would end a running dialog's loop early, with the code
    // behind it (an upgrader's write among them) going on as if answered.
    if (MainAppWindow::refusesToCloseNow())
        return;

    if (mainWindow != nullptr)
        mainWindow->setVisible (false);

    juce::MessageManager::getInstance()->stopDispatchLoop();
}

bool DemoRunnerApplication::backButtonPressed()
{
    if (mainWindow != nullptr)
        if (auto* mainComponent = mainWindow->findMainComponent())
            mainComponent->getSidePanel().showOrHide (false);

    return true;
}

DemoRunnerApplication::MainAppWindow* DemoRunnerApplication::getMainWindow() const noexcept
{
    return mainWindow.get();
}

juce::JUCEApplicationBase* createApplication()
{
    return new DemoRunnerApplication();
}

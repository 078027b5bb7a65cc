#include "MainAppWindow.h"
#include "DemoTaskbarComponent.h"
#include "MainComponent.h"

namespace
{
    // The editor has one fixed size. A window manager does not let a program
    // undo its maximise, so a maximisable window would show the editor in one
    // corner of a larger, unpainted window: the window offers neither maximising
    // nor resizing.
    constexpr int fixedSizeTitleBarButtons = juce::DocumentWindow::minimiseButton | juce::DocumentWindow::closeButton;
}

DemoRunnerApplication::MainAppWindow::MainAppWindow (const juce::String& name,
                                                     std::function<juce::Component*()> createEditor)
    : juce::DocumentWindow (name,
                            juce::Desktop::getInstance().getDefaultLookAndFeel()
                                .findColour (juce::ResizableWindow::backgroundColourId),
                            fixedSizeTitleBarButtons,
                            false)
{
    setUsingNativeTitleBar (true);
    setTitleBarButtonsRequired (fixedSizeTitleBarButtons, false);
    setResizable (false, false);

    auto mainComponent = std::make_unique<MainComponent> (std::move (createEditor));

    if (! mainComponent->constructionSucceeded())
        return;

    setContentOwned (mainComponent.release(), false);
    addToDesktop();
    setVisible (true);

    trayComponent = std::make_unique<DemoTaskbarComponent> (findMainComponent());
    windowBuilt = true;
}

DemoRunnerApplication::MainAppWindow::~MainAppWindow()
{
    if (trayComponent != nullptr)
        trayComponent->setIconImage ({}, {});

    trayComponent.reset();
}

bool DemoRunnerApplication::MainAppWindow::constructionSucceeded() const noexcept
{
    return windowBuilt;
}

MainComponent* DemoRunnerApplication::MainAppWindow::findMainComponent() const
{
    return dynamic_cast<MainComponent*> (getContentComponent());
}

juce::SystemTrayIconComponent* DemoRunnerApplication::MainAppWindow::getTrayComponent() const noexcept
{
    return trayComponent.get();
}

bool DemoRunnerApplication::MainAppWindow::isQuitKey (const juce::KeyPress& key)
{
    // X11 delivers Ctrl+letter with the lower-case key code, Caps Lock with the
    // upper-case one: both are the same shortcut.
    const auto code = key.getKeyCode();

    return (code == 'Q' || code == 'q')
        && key.getModifiers().getRawFlags() == juce::ModifierKeys::ctrlModifier;
}

bool DemoRunnerApplication::MainAppWindow::refusesToCloseNow()
{
    // A dialog of the program runs a message loop of its own, and the code that
    // opened it goes on when it ends: closing now would delete the editor under
    // that code (and could cut the upgrader short in the middle of a write).
    // The system lets the window close all the same on this platform, so the
    // window refuses, as it refuses a click while a dialog is up, and brings
    // the dialog to the front so that the user sees what waits for an answer.
    if (auto* dialog = juce::Component::getCurrentlyModalComponent())
    {
        dialog->inputAttemptWhenModal();
        return true;
    }

    return false;
}

bool DemoRunnerApplication::MainAppWindow::keyPressed (const juce::KeyPress& key)
{
    if (isQuitKey (key) && ! refusesToCloseNow())
    {
        clearContentComponent();
        juce::Thread::sleep (50);
        juce::MessageManager::getInstance()->stopDispatchLoop();
    }

    return juce::Component::keyPressed (key);
}

void DemoRunnerApplication::MainAppWindow::parentSizeChanged()
{
    if (auto* mainComponent = findMainComponent())
        mainComponent->resized();
}

void DemoRunnerApplication::MainAppWindow::closeButtonPressed()
{
    if (refusesToCloseNow())
        return;

    clearContentComponent();
    juce::MessageManager::getInstance()->stopDispatchLoop();

    if (auto* app = juce::JUCEApplication::getInstance())
        app->systemRequestedQuit();
}

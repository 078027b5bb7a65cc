#include "MainAppWindow.h"
#include "DemoTaskbarComponent.h"
#include "MainComponent.h"

DemoRunnerApplication::MainAppWindow::MainAppWindow (const juce::String& name,
                                                     std::function<juce::Component*()> createEditor)
    : juce::DocumentWindow (name,
                            juce::Desktop::getInstance().getDefaultLookAndFeel()
                                .findColour (juce::ResizableWindow::backgroundColourId),
                            juce::DocumentWindow::allButtons,
                            false)
{
    setUsingNativeTitleBar (true);
    setTitleBarButtonsRequired (juce::DocumentWindow::allButtons, false);
    setResizable (true, false);

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

bool DemoRunnerApplication::MainAppWindow::keyPressed (const juce::KeyPress& key)
{
    if (isQuitKey (key))
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
    clearContentComponent();
    juce::MessageManager::getInstance()->stopDispatchLoop();

    if (auto* app = juce::JUCEApplication::getInstance())
        app->systemRequestedQuit();
}

#include "DemoTaskbarComponent.h"

DemoTaskbarComponent::DemoTaskbarComponent (juce::Component* mainComponentToUse)
    : mainComponent (mainComponentToUse)
{
}

DemoTaskbarComponent::~DemoTaskbarComponent()
{
    setIconImage ({}, {});
    stopTimer();
}

void DemoTaskbarComponent::mouseDown (const juce::MouseEvent& e)
{
    juce::SystemTrayIconComponent::mouseDown (e);

    // Restarting the timer on each click opens one menu for clicks that come in quick succession.
    startTimer (50);
}

void DemoTaskbarComponent::timerCallback()
{
    stopTimer();

    juce::PopupMenu menu;
    menu.addItem (showItem, "Show");
    menu.addItem (hideItem, "Hide");
    menu.addItem (quitItem, "Quit");

    showMenu (menu);
}

void DemoTaskbarComponent::showMenu (const juce::PopupMenu& menu)
{
    // forComponent only calls back while this tray component still exists.
    juce::PopupMenu shown (menu);
    shown.showMenuAsync (juce::PopupMenu::Options(),
                         juce::ModalCallbackFunction::forComponent (handleTrayMenuResult, this));
}

juce::Component* DemoTaskbarComponent::findMainWindow() const
{
    if (auto* content = mainComponent.getComponent())
        return content->getParentComponent();

    return nullptr;
}

void DemoTaskbarComponent::handleTrayMenuResult (int result, DemoTaskbarComponent* tray)
{
    auto* window = tray != nullptr ? tray->findMainWindow() : nullptr;

    switch (result)
    {
        case showItem:
            if (window != nullptr)
            {
                window->toFront (true);
                window->setVisible (true);
            }
            break;

        case hideItem:
            if (window != nullptr)
                window->setVisible (false);
            break;

        case quitItem:
            if (auto* app = juce::JUCEApplication::getInstance())
                app->systemRequestedQuit();
            break;

        default:
            break;
    }
}

#include <gtest/gtest.h>
#include <juce_gui_extra/juce_gui_extra.h>

#include "app/DemoTaskbarComponent.h"
#include "support/DispatchUntil.h"

namespace
{
    /** Stands in for the application object, whose quit request the tray's "Quit" makes. */
    struct QuitRecordingApplication  : public juce::JUCEApplication
    {
        const juce::String getApplicationName() override      { return "Tray test"; }
        const juce::String getApplicationVersion() override   { return "0"; }
        void initialise (const juce::String&) override        {}
        void shutdown() override                              {}
        void systemRequestedQuit() override                   { ++quitRequests; }

        int quitRequests = 0;
    };

    juce::MouseEvent clickOn (juce::Component& component)
    {
        const auto now = juce::Time::getCurrentTime();
        return { juce::Desktop::getInstance().getMainMouseSource(), {}, juce::ModifierKeys::leftButtonModifier,
                 juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f,
                 &component, &component, now, {}, now, 1, false };
    }

    /** A main window with its content, and the tray made for that content. */
    struct TrayMenu  : public ::testing::Test
    {
        TrayMenu()
        {
            window.setContentNonOwned (&content, false);
            window.setSize (300, 200);
            window.addToDesktop();
            window.setVisible (true);
        }

        ~TrayMenu() override
        {
            window.clearContentComponent();
        }

        juce::DocumentWindow window { "Main", juce::Colours::black, juce::DocumentWindow::allButtons, false };
        juce::Component content;
        DemoTaskbarComponent tray { &content };
    };
}

TEST_F (TrayMenu, HideThenShowTakesTheMainWindowAwayAndBringsItBack)
{
    DemoTaskbarComponent::handleTrayMenuResult (2, &tray);
    EXPECT_FALSE (window.isVisible());

    DemoTaskbarComponent::handleTrayMenuResult (1, &tray);
    EXPECT_TRUE (window.isVisible());
}

TEST_F (TrayMenu, DismissedMenuChangesNothing)
{
    DemoTaskbarComponent::handleTrayMenuResult (0, &tray);
    EXPECT_TRUE (window.isVisible());

    window.setVisible (false);
    DemoTaskbarComponent::handleTrayMenuResult (0, &tray);
    EXPECT_FALSE (window.isVisible());
}

TEST_F (TrayMenu, QuitMakesTheApplicationsQuitRequest)
{
    QuitRecordingApplication application;

    DemoTaskbarComponent::handleTrayMenuResult (4, &tray);
    EXPECT_EQ (application.quitRequests, 1);

    DemoTaskbarComponent::handleTrayMenuResult (1, &tray);
    DemoTaskbarComponent::handleTrayMenuResult (2, &tray);
    EXPECT_EQ (application.quitRequests, 1);
}

TEST (TrayMenuAfterContentIsGone, ShowAndHideLeaveTheWindowAlone)
{
    juce::DocumentWindow window ("Main", juce::Colours::black, juce::DocumentWindow::allButtons, false);
    window.setContentOwned (new juce::Component(), false);
    window.setVisible (true);

    DemoTaskbarComponent tray (window.getContentComponent());

    // As Ctrl+Q does: the content is destroyed while the window and the tray remain.
    window.clearContentComponent();

    DemoTaskbarComponent::handleTrayMenuResult (2, &tray);
    EXPECT_TRUE (window.isVisible());

    window.setVisible (false);
    DemoTaskbarComponent::handleTrayMenuResult (1, &tray);
    EXPECT_FALSE (window.isVisible());
}

TEST (TrayClicks, TwoQuickClicksOpenOneMenuWithShowHideAndQuit)
{
    struct RecordingTray  : public DemoTaskbarComponent
    {
        using DemoTaskbarComponent::DemoTaskbarComponent;
        void showMenu (const juce::PopupMenu& menu) override   { shown.push_back (menu); }
        std::vector<juce::PopupMenu> shown;
    };

    juce::Component content;
    RecordingTray tray (&content);

    tray.mouseDown (clickOn (tray));
    tray.mouseDown (clickOn (tray));

    ASSERT_TRUE (testsupport::dispatchUntil ([&] { return ! tray.shown.empty(); }));
    juce::MessageManager::getInstance()->runDispatchLoopUntil (150);
    ASSERT_EQ (tray.shown.size(), 1u);

    juce::StringArray items;

    for (juce::PopupMenu::MenuItemIterator it (tray.shown.front()); it.next();)
    {
        const auto& item = it.getItem();
        items.add (juce::String (item.itemID) + " " + item.text
                   + (item.isEnabled ? "" : " disabled") + (item.isTicked ? " ticked" : ""));
    }

    EXPECT_EQ (items, juce::StringArray ({ "1 Show", "2 Hide", "4 Quit" }));
}

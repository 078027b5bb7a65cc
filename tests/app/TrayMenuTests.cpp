#include <gtest/gtest.h>
#include <juce_gui_extra/juce_gui_extra.h>

#include "app/DemoTaskbarComponent.h"
#include "support/ComponentQueries.h"
#include "support/DispatchUntil.h"

namespace
{
    /** Stands in for the application object, whose quit request "Quit" makes. */
    struct QuitRecordingApplication  : public juce::JUCEApplication
    {
        const juce::String getApplicationName() override      { return "Tray test"; }
        const juce::String getApplicationVersion() override   { return "0"; }
        void initialise (const juce::String&) override        {}
        void shutdown() override                              {}
        void systemRequestedQuit() override                   { ++quitRequests; }
        int quitRequests = 0;
    };

    /** A tray that keeps the menus it was asked to show instead of opening them. */
    struct RecordingTray  : public DemoTaskbarComponent
    {
        using DemoTaskbarComponent::DemoTaskbarComponent;
        void showMenu (const juce::PopupMenu& menu) override   { shown.push_back (menu); }
        std::vector<juce::PopupMenu> shown;
    };

    /** A main window with its content, and the tray made for that content. */
    struct TrayMenu  : public ::testing::Test
    {
        static juce::Component* showWithContent (juce::DocumentWindow& w)
        {
            w.setContentOwned (new juce::Component(), false);
            w.setVisible (true);
            return w.getContentComponent();
        }

        void choose (int id)   { DemoTaskbarComponent::handleTrayMenuResult (id, &tray); }

        juce::DocumentWindow window { "Main", juce::Colours::black, juce::DocumentWindow::allButtons, false };
        RecordingTray tray { showWithContent (window) };
    };
}

TEST_F (TrayMenu, HideAndShowActOnTheMainWindowQuitAsksTheApplicationAndDismissingChangesNothing)
{
    for (auto [choice, visibleAfter] : { std::pair (2, false), std::pair (0, false), std::pair (1, true), std::pair (0, true) })
    {
        choose (choice);
        EXPECT_EQ (window.isVisible(), visibleAfter) << "after choice " << choice;
    }

    QuitRecordingApplication application;
    choose (4);
    EXPECT_EQ (application.quitRequests, 1);
    EXPECT_TRUE (window.isVisible());

    // Once Ctrl+Q has destroyed the content, the menu leaves the window alone.
    window.clearContentComponent();
    choose (2);
    EXPECT_TRUE (window.isVisible());
}

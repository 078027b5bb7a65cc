#include <gtest/gtest.h>
#include <juce_gui_extra/juce_gui_extra.h>
#include <map>

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

TEST_F (TrayMenu, TwoQuickClicksOpenOneMenuWhoseShowHideAndQuitActOnTheWindowAndTheApplication)
{
    const auto click = testsupport::mouseEventAt (tray, {}, juce::ModifierKeys::leftButtonModifier);
    tray.mouseDown (click);
    tray.mouseDown (click);

    // Timers fire in the order they fall due: once one set well past the
    // clicks' menu delay has fired, every menu the clicks open has been shown.
    auto clicksOver = std::make_shared<bool> (false);
    juce::Timer::callAfterDelay (150, [clicksOver] { *clicksOver = true; });
    ASSERT_TRUE (testsupport::dispatchUntil ([&] { return *clicksOver; }));
    ASSERT_EQ (tray.shown.size(), 1u);

    std::map<juce::String, int> ids;     // "" stands for dismissing the menu

    for (juce::PopupMenu::MenuItemIterator it (tray.shown.front()); it.next();)
        ids[it.getItem().text] = it.getItem().itemID;

    ASSERT_EQ (ids.size(), 3u);

    for (auto [item, visibleAfter] : { std::pair ("Hide", false), std::pair ("", false), std::pair ("Show", true), std::pair ("", true) })
    {
        choose (ids[item]);
        EXPECT_EQ (window.isVisible(), visibleAfter) << "after " << item;
    }

    QuitRecordingApplication application;
    choose (ids["Quit"]);
    EXPECT_EQ (application.quitRequests, 1);
    EXPECT_TRUE (window.isVisible());

    // Once Ctrl+Q has destroyed the content, the menu leaves the window alone.
    window.clearContentComponent();
    choose (ids["Hide"]);
    EXPECT_TRUE (window.isVisible());
}

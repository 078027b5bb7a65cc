#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include <functional>
#include <memory>

class MainComponent;
class CodeContent;

/** Holds the one view that the content area shows, and owns it. */
class DemoContent : public juce::Component
{
public:
    DemoContent();
    ~DemoContent() override;

    /** Shows a new view (owned from now on; null leaves the holder empty) and deletes the old one. */
    void replaceComponent (juce::Component* view);

    /** The view shown now, or null. */
    juce::Component* getView() const noexcept;

    void resized() override;

private:
    std::unique_ptr<juce::Component> view;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DemoContent)
};

/** Removes the metadata header from a view's notes text: everything up to the
    line " END_JUCE_PIP_METADATA" (exact) and the two lines after it. A text
    without that line comes back unchanged. */
juce::String stripMetadataBlock (const juce::String& text);

/** The content area: shows the current view to the right of the side panel, in a
    single tab whose bar has no depth, so the user sees only the view. It keeps a
    code viewer for the view's notes, which is in no tab. During its first five
    layouts it also centres the top-level window on its screen. */
class DemoContentComponent : public juce::TabbedComponent
{
public:
    /** The callback gets the shown view's heavyweight flag whenever the view changes. */
    DemoContentComponent (MainComponent& owner, std::function<void (bool)> onViewChanged);
    ~DemoContentComponent() override;

    /** Shows a view (owned from now on) without running the callback; always true. */
    bool setContentView (juce::Component* view);

    /** Shows entry index of a registry category with its notes; nothing when it is already shown. */
    void showDemoEntry (const juce::String& category, int index);

    /** Shows the welcome page. */
    void showIntroPage();

    /** True while the welcome page is shown in the first tab. */
    bool isIntroPageShown() const;

    /** Deletes the shown view and runs the callback with false. */
    void clearContent();

    /** Selects the first tab when the last one is selected. */
    void selectFirstTabIfOnLast();

    /** Pixels by which the (zero-depth) tab bar is moved right; set by the main component. */
    void setTabBarIndent (int indent);
    int getTabBarIndent() const noexcept;

    /** The view shown now, or null. */
    juce::Component* getCurrentView() const;

    void mouseDown (const juce::MouseEvent&) override;
    void lookAndFeelChanged() override;
    void resized() override;

private:
    std::function<void (bool)> onViewChanged;
    std::unique_ptr<DemoContent> viewHolder;
    std::unique_ptr<CodeContent> codeViewer;
    juce::String currentCategory;
    int currentIndex = -1;
    int tabBarIndent = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DemoContentComponent)
};

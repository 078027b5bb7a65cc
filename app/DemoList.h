#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class DemoContentComponent;

/** The side panel's list: the registry's categories, or the views of one open
    category; a click on a view shows it in the content area. */
class DemoList : public juce::Component,
                 private juce::ListBoxModel
{
public:
    explicit DemoList (DemoContentComponent& contentArea);

    /** Opens a category by name; the empty name goes back to the list of categories. */
    void openCategory (const juce::String& name);

    void resized() override;

    int getNumRows() override;
    void paintListBoxItem (int row, juce::Graphics&, int width, int height, bool isSelected) override;
    void listBoxItemClicked (int row, const juce::MouseEvent&) override;

    /** The header shown over an open category: a "<" that goes back to the categories. */
    class Header : public juce::Component
    {
    public:
        explicit Header (DemoList& owner);

        void paint (juce::Graphics&) override;
        void mouseDown (const juce::MouseEvent&) override;

    private:
        DemoList& owner;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Header)
    };

private:
    juce::String openCategoryName;
    DemoContentComponent& contentArea;
    juce::ListBox listBox;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DemoList)
};

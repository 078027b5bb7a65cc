#include "DemoList.h"
#include "DemoContentComponent.h"
#include "DemoRegistry.h"

DemoList::DemoList (DemoContentComponent& area)
    : contentArea (area)
{
    addAndMakeVisible (listBox);
    listBox.setModel (this);
    listBox.setRowHeight (40);
}

void DemoList::openCategory (const juce::String& name)
{
    openCategoryName = name;
    listBox.deselectAllRows();

    if (name.isNotEmpty())
        listBox.setHeaderComponent (std::make_unique<Header> (*this));

    listBox.updateContent();
}

void DemoList::resized()
{
    listBox.setBounds (getLocalBounds());
}

int DemoList::getNumRows()
{
    if (openCategoryName.isEmpty())
        return (int) getDemoCategoryList().size();

    return (int) findOrAddDemoCategory (openCategoryName).entries.size();
}

void DemoList::paintListBoxItem (int row, juce::Graphics& g, int width, int height, bool isSelected)
{
    juce::Rectangle<int> area (0, 0, width, height);
    const auto textColour = findColour (juce::Label::textColourId);

    g.setColour (textColour.withAlpha (0.4f));

    if (row == 0)
        g.fillRect (area.removeFromTop (2).reduced (7, 0));

    g.fillRect (area.removeFromBottom (2).reduced (7, 0));

    if (isSelected)
    {
        g.setColour (findColour (juce::TextEditor::highlightColourId).withAlpha (0.4f));
        g.fillRect (area);
        g.setColour (findColour (juce::TextEditor::highlightedTextColourId));
    }
    else
    {
        g.setColour (textColour);
    }

    juce::String text;

    if (openCategoryName.isEmpty())
    {
        auto& categories = getDemoCategoryList();

        if (juce::isPositiveAndBelow (row, (int) categories.size()))
            text = categories[(size_t) row].name;
    }
    else
    {
        auto& entries = findOrAddDemoCategory (openCategoryName).entries;

        if (juce::isPositiveAndBelow (row, (int) entries.size()))
            text = entries[(size_t) row].file.getFileName();
    }

    g.drawFittedText (text, area, juce::Justification::centred, 1);
}

void DemoList::listBoxItemClicked (int row, const juce::MouseEvent&)
{
    if (row < 0)
        return;

    if (openCategoryName.isNotEmpty())
    {
        contentArea.showDemoEntry (openCategoryName, row);
        return;
    }

    auto& categories = getDemoCategoryList();

    if (juce::isPositiveAndBelow (row, (int) categories.size()))
        openCategory (categories[(size_t) row].name);
}

//==============================================================================
DemoList::Header::Header (DemoList& list)
    : owner (list)
{
    setSize (0, 30);
}

void DemoList::Header::paint (juce::Graphics& g)
{
    g.setColour (findColour (juce::Label::textColourId));
    g.drawFittedText ("<", getLocalBounds().reduced (20, 0), juce::Justification::centredLeft, 1);
}

void DemoList::Header::mouseDown (const juce::MouseEvent&)
{
    owner.openCategory ({});
}

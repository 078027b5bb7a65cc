#include "DemoContentComponent.h"
#include "CodeContent.h"
#include "DemoRegistry.h"
#include "IntroScreen.h"
#include "common/TextConstants.h"

namespace
{
    // Process-wide: the window is centred during its first layouts and then
    // left where the user puts it.
    int windowCentringLayouts = 0;
    constexpr int maxWindowCentringLayouts = 5;
}

//==============================================================================
DemoContent::DemoContent() = default;
DemoContent::~DemoContent() = default;

void DemoContent::replaceComponent (juce::Component* newView)
{
    auto oldView = std::move (view);
    view.reset (newView);
    oldView.reset();

    if (view != nullptr)
    {
        addAndMakeVisible (*view);
        resized();
    }
}

juce::Component* DemoContent::getView() const noexcept
{
    return view.get();
}

void DemoContent::resized()
{
    if (view != nullptr)
        view->setBounds (getLocalBounds());
}

//==============================================================================
juce::String stripMetadataBlock (const juce::String& text)
{
    auto lines = juce::StringArray::fromLines (text);
    const auto markerLine = lines.indexOf (texts::notesMetadataEndMarker);

    if (markerLine < 0)
        return text;

    lines.removeRange (0, markerLine + 3);
    return lines.joinIntoString ("\n");
}

//==============================================================================
DemoContentComponent::DemoContentComponent (MainComponent& owner, std::function<void (bool)> callback)
    : juce::TabbedComponent (juce::TabbedButtonBar::TabsAtTop),
      onViewChanged (std::move (callback))
{
    juce::ignoreUnused (owner);

    viewHolder = std::make_unique<DemoContent>();
    addTab (" ", juce::Colours::transparentBlack, viewHolder.get(), false);

    codeViewer = std::make_unique<CodeContent>();

    setTabBarDepth (0);

    // No frame around the view: the view alone fills the area, at its full size.
    setOutline (0);

    lookAndFeelChanged();
}

DemoContentComponent::~DemoContentComponent()
{
    // The tabs refer to the holder weakly; drop them before the holder goes.
    clearTabs();
}

bool DemoContentComponent::setContentView (juce::Component* view)
{
    viewHolder->replaceComponent (view);
    return true;
}

void DemoContentComponent::showDemoEntry (const juce::String& category, int index)
{
    if (category == currentCategory && index == currentIndex)
        return;

    auto& entries = findOrAddDemoCategory (category).entries;

    if (! juce::isPositiveAndBelow (index, (int) entries.size()))
        return;

    const auto entry = entries[(size_t) index];

    codeViewer->showText (stripMetadataBlock (entry.file.loadFileAsString()));
    viewHolder->replaceComponent (entry.factory());

    if (onViewChanged != nullptr)
        onViewChanged (entry.isHeavyweight);

    selectFirstTabIfOnLast();

    currentCategory = category;
    currentIndex = index;
}

void DemoContentComponent::showIntroPage()
{
    viewHolder->replaceComponent (createIntroScreen());
    codeViewer->showPlaceholderText();

    if (onViewChanged != nullptr)
        onViewChanged (false);

    selectFirstTabIfOnLast();
    resized();

    currentCategory = {};
    currentIndex = -1;
}

bool DemoContentComponent::isIntroPageShown() const
{
    return isIntroScreen (viewHolder->getView()) && getCurrentTabIndex() == 0;
}

void DemoContentComponent::clearContent()
{
    viewHolder->replaceComponent (nullptr);

    if (onViewChanged != nullptr)
        onViewChanged (false);
}

void DemoContentComponent::selectFirstTabIfOnLast()
{
    if (getCurrentTabIndex() == getNumTabs() - 1)
        setCurrentTabIndex (0);
}

void DemoContentComponent::setTabBarIndent (int indent)
{
    tabBarIndent = indent;
}

int DemoContentComponent::getTabBarIndent() const noexcept
{
    return tabBarIndent;
}

juce::Component* DemoContentComponent::getCurrentView() const
{
    return viewHolder->getView();
}

void DemoContentComponent::mouseDown (const juce::MouseEvent&)
{
}

void DemoContentComponent::lookAndFeelChanged()
{
    for (int i = 0; i < getNumTabs(); ++i)
        setTabBackgroundColour (i, findColour (juce::ResizableWindow::backgroundColourId));
}

void DemoContentComponent::resized()
{
    juce::TabbedComponent::resized();

    if (tabBarIndent > 0)
    {
        auto& bar = getTabbedButtonBar();
        auto bounds = bar.getBounds();
        bar.setBounds (bounds.withX (bounds.getX() + tabBarIndent)
                             .withWidth (juce::jmax (0, bounds.getWidth() - tabBarIndent)));
    }

    // Only layouts inside a window count (also before the window reaches the
    // screen): while the area is still being built it is its own top level, and
    // centring that would use up the window's turns.
    auto* top = getTopLevelComponent();
    const bool inWindow = top->isOnDesktop() || dynamic_cast<juce::TopLevelWindow*> (top) != nullptr;

    if (windowCentringLayouts < maxWindowCentringLayouts && inWindow)
    {
        ++windowCentringLayouts;
        top->centreWithSize (top->getWidth(), top->getHeight());
    }
}

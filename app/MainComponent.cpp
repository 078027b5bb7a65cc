#include "MainComponent.h"
#include "DemoContentComponent.h"
#include "DemoList.h"
#include "SidePanelHeader.h"
#include "common/TextConstants.h"

MainComponent::MainComponent (std::function<juce::Component*()> createEditor)
{
    contentArea = std::make_unique<DemoContentComponent> (*this, [this] (bool isHeavyweight) { onContentChanged (isHeavyweight); });

    sidePanel.setContent (new DemoList (*contentArea), true);
    sidePanel.setTitleBarComponent (new SidePanelHeader (*this), true, true);

    addAndMakeVisible (*contentArea);
    addAndMakeVisible (menuButton);
    addAndMakeVisible (sidePanel);

    menuButton.onClick = [this] { onMenuButtonClick(); };
    sidePanel.onPanelMove = [this] { onSidePanelMove(); };
    sidePanel.onPanelShowHide = [this] (bool isShowing) { onSidePanelShowHide (isShowing); };

    if (auto* editor = createEditor != nullptr ? createEditor() : nullptr)
    {
        contentArea->setContentView (editor);
        editorCreated = true;
    }
}

MainComponent::~MainComponent()
{
    contentArea->clearContent();

    // Nothing the side panel or its animation still reports may reach this
    // component once it is gone.
    sidePanel.onPanelMove = nullptr;
    sidePanel.onPanelShowHide = nullptr;

    openGLContext.detach();
}

bool MainComponent::constructionSucceeded() const noexcept
{
    return editorCreated;
}

DemoContentComponent& MainComponent::getContentArea() const noexcept
{
    return *contentArea;
}

juce::SidePanel& MainComponent::getSidePanel() noexcept
{
    return sidePanel;
}

int MainComponent::getCurrentRenderingEngine() const noexcept
{
    return currentEngineIndex;
}

bool MainComponent::isUsingOpenGL() const noexcept
{
    return openGLContext.isAttached();
}

bool MainComponent::isShowingHeavyweightView() const noexcept
{
    return showingHeavyweight;
}

//==============================================================================
void MainComponent::parentHierarchyChanged()
{
    auto* newPeer = getPeer();

    if (newPeer == currentPeer)
        return;

    currentPeer = newPeer;

    // Off the desktop there are no engines to choose from; the list is rebuilt
    // from the next peer.
    if (newPeer == nullptr)
        return;

    const auto previousName = renderingEngines[currentEngineIndex];

    renderingEngines.clear();
    renderingEngines.addArray (newPeer->getAvailableRenderingEngines());
    renderingEngines.add (texts::openGLRendererName);

    auto index = renderingEngines.indexOf (previousName);

    if (index < 0)
        index = newPeer->getCurrentRenderingEngine();

    applyRenderingEngine (index);
}

void MainComponent::applyRenderingEngine (int index)
{
    if (index != renderingEngines.size() - 1)
    {
        openGLContext.detach();

        if (currentPeer != nullptr)
            currentPeer->setCurrentRenderingEngine (index);

        currentEngineIndex = index;
        return;
    }

    if (showingHeavyweight)
        return;

    openGLContext.attachTo (*getTopLevelComponent());
    currentEngineIndex = index;
}

void MainComponent::selectRenderingEngine (int index)
{
    if (index != currentEngineIndex)
        applyRenderingEngine (index);
}

//==============================================================================
void MainComponent::onContentChanged (bool isHeavyweight)
{
    sidePanel.showOrHide (false);

    if (isHeavyweight)
        selectRenderingEngine (0);

    showingHeavyweight = isHeavyweight;
    resized();
}

void MainComponent::onMenuButtonClick()
{
    sidePanel.showOrHide (false);
}

void MainComponent::onSidePanelMove()
{
    visiblePanelEdge = juce::jmax (0, sidePanel.getRight());

    if (showingHeavyweight)
        resized();
}

void MainComponent::onSidePanelShowHide (bool isShowing)
{
    if (isShowing)
    {
        visiblePanelEdge = juce::jmax (0, sidePanel.getWidth());

        if (showingHeavyweight)
            resized();

        return;
    }

    visiblePanelEdge = 0;

    if (showingHeavyweight)
    {
        // Lay out again once the panel has slid away; the component may be gone by then.
        juce::Timer::callAfterDelay (250, [safeThis = juce::Component::SafePointer<MainComponent> (this)]
        {
            if (safeThis != nullptr)
                safeThis->resized();
        });
    }
}

void MainComponent::goHome()
{
    if (auto* list = dynamic_cast<DemoList*> (sidePanel.getContent()))
        list->openCategory ({});

    if (! contentArea->isIntroPageShown())
        contentArea->showIntroPage();

    if (showingHeavyweight)
    {
        showingHeavyweight = false;
        resized();
    }
}

void MainComponent::showSettingsTab()
{
    contentArea->setCurrentTabIndex (2);
}

//==============================================================================
bool MainComponent::hitTest (int x, int y)
{
    const juce::Point<int> point (x, y);
    const auto panelShowing = sidePanel.isPanelShowing();

    if (menuButton.getBounds().contains (point))
    {
        if (! panelShowing)
            sidePanel.showOrHide (false);
    }
    else if (! sidePanel.getBounds().contains (point))
    {
        if (panelShowing ? x > 12 : x <= 12)
            sidePanel.showOrHide (false);
    }

    return juce::Component::hitTest (x, y);
}

void MainComponent::paint (juce::Graphics& g)
{
    g.fillAll (findColour (juce::ResizableWindow::backgroundColourId));
}

void MainComponent::resized()
{
    auto area = getLocalBounds();

    menuButton.setBounds (0, 0, 150, contentArea->getTabBarDepth());

    if (showingHeavyweight)
    {
        area.removeFromLeft (juce::jmin (area.getWidth(), visiblePanelEdge));
        contentArea->setTabBarIndent (juce::jmax (150 - visiblePanelEdge, 0));
    }
    else
    {
        contentArea->setTabBarIndent (150);
    }

    contentArea->setBounds (area);
}

#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include <juce_opengl/juce_opengl.h>
#include <functional>
#include <memory>

#include "editor/window/CreateMainComp.h"

class DemoContentComponent;

/** The content of the main window: the content area showing the mapping editor,
    and a side panel on the left listing the registered views. The side panel is
    kept hidden; every request the program makes hides it. */
class MainComponent : public juce::Component
{
public:
    /** Builds the editor through the factory and shows it. When the factory gives
        null, constructionSucceeded() is false and the content area stays empty. */
    explicit MainComponent (std::function<juce::Component*()> createEditor = NsDravel::createMainComp);
    ~MainComponent() override;

    /** True when the mapping editor was created and is shown. */
    bool constructionSucceeded() const noexcept;

    DemoContentComponent& getContentArea() const noexcept;
    juce::SidePanel& getSidePanel() noexcept;
    int getCurrentRenderingEngine() const noexcept;
    bool isUsingOpenGL() const noexcept;
    bool isShowingHeavyweightView() const noexcept;

    /** Uses engine index: one of the peer's engines, or the last entry ("OpenGL Renderer"),
        which is refused while a heavyweight view is shown. */
    void applyRenderingEngine (int index);

    /** As applyRenderingEngine, only when index is not the engine used now. */
    void selectRenderingEngine (int index);

    /** Called by the content area whenever its view changes. */
    void onContentChanged (bool isHeavyweight);
    void onMenuButtonClick();
    void onSidePanelMove();
    void onSidePanelShowHide (bool isShowing);

    /** The side panel's "Home": back to the categories and the welcome page. */
    void goHome();

    /** The side panel's "Settings" (its button is hidden). */
    void showSettingsTab();

    void parentHierarchyChanged() override;
    bool hitTest (int x, int y) override;
    void paint (juce::Graphics&) override;
    void resized() override;

private:
    bool editorCreated = false;
    std::unique_ptr<DemoContentComponent> contentArea;
    juce::SidePanel sidePanel { {}, 200, true, nullptr, true };
    juce::OpenGLContext openGLContext;
    juce::StringArray renderingEngines;
    juce::ComponentPeer* currentPeer = nullptr;
    int currentEngineIndex = -1;
    juce::TextButton menuButton { "Menu" };
    int visiblePanelEdge = 0;
    bool showingHeavyweight = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainComponent)
};

#include "DemoRegistry.h"
#include "common/ResourcesFolder.h"
#include "common/TextConstants.h"
#include "editor/window/CreateMainComp.h"

std::vector<DemoCategory>& getDemoCategoryList()
{
    static std::vector<DemoCategory> categories;
    return categories;
}

DemoCategory& findOrAddDemoCategory (const juce::String& name)
{
    auto& categories = getDemoCategoryList();

    for (auto& category : categories)
        if (category.name == name)
            return category;

    categories.push_back ({ name, {} });
    return categories.back();
}

void addDemoEntry (std::function<juce::Component*()> factory, const juce::String& path,
                   const juce::String& category, bool isHeavyweight)
{
    addDemoEntry (std::move (factory), path, category, isHeavyweight,
                  findResourcesFolder (juce::File::getSpecialLocation (juce::File::currentApplicationFile)));
}

void addDemoEntry (std::function<juce::Component*()> factory, const juce::String& path,
                   const juce::String& category, bool isHeavyweight, const juce::File& resourcesFolder)
{
    if (resourcesFolder == juce::File())
        return;

    findOrAddDemoCategory (category).entries.push_back ({ resourcesFolder.getChildFile (path),
                                                          std::move (factory),
                                                          isHeavyweight });
}

void registerAllDemoEntries()
{
    registerKeyboardEditorEntry();
}

void registerKeyboardEditorEntry()
{
    addDemoEntry ([] { return NsDravel::createMainComp(); },
                  texts::keyboardEditorPath, texts::keyboardEditorCategory, false);
}

#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include <functional>
#include <vector>

/** One view the shell can show: its notes file under the resources folder, the
    factory that builds it (the caller owns the result), and whether it needs the
    heavyweight treatment (no OpenGL renderer, laid out around the side panel). */
struct DemoEntry
{
    juce::File file;
    std::function<juce::Component*()> factory;
    bool isHeavyweight = false;
};

/** A named group of views, in registration order. */
struct DemoCategory
{
    juce::String name;
    std::vector<DemoEntry> entries;
};

/** The registry of views, in order of first use of each category name. Message thread. */
std::vector<DemoCategory>& getDemoCategoryList();

/** The category of that name (exact match); a new empty one is appended when there is none. */
DemoCategory& findOrAddDemoCategory (const juce::String& name);

/** Registers a view whose notes file is the resources folder's child at path.
    Registers nothing when the program has no resources folder. */
void addDemoEntry (std::function<juce::Component*()> factory, const juce::String& path,
                   const juce::String& category, bool isHeavyweight);

/** As above, against the given resources folder; the empty File means there is none. */
void addDemoEntry (std::function<juce::Component*()> factory, const juce::String& path,
                   const juce::String& category, bool isHeavyweight, const juce::File& resourcesFolder);

/** Registers every view of the program: the keyboard mapping editor. */
void registerAllDemoEntries();

/** Registers the keyboard mapping editor as "Keyboard/Dravel" in the category "Keyboard". */
void registerKeyboardEditorEntry();

#pragma once

#include <juce_core/juce_core.h>

/** Fixed texts and names that the shell, the editor and the upgrader share. Each
    unit that includes this header holds its own copy, built before the
    application starts. */
namespace texts
{
    static const juce::String applicationName    ("Dravel Tavlo");
    static const juce::String applicationVersion ("1.06");

    // Read while other units build their own constants (the upgrader's check
    // image path), so it must not wait for this unit's construction.
    constexpr const char* resourcesFolderName = "resources";
    static const juce::String assetsFolderName    ("Assets");
    static const juce::String assetCacheKeySuffix ("@juce_demo_assets");

    static const juce::String keyboardEditorPath     ("Keyboard/Dravel");
    static const juce::String keyboardEditorCategory ("Keyboard");

    static const juce::String notesMetadataEndMarker (" END_JUCE_PIP_METADATA");
    static const juce::String openGLRendererName     ("OpenGL Renderer");
}

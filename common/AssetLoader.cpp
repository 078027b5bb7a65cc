#include "common/AssetLoader.h"
#include "common/ResourcesFolder.h"
#include "common/TextConstants.h"

juce::InputStream* openResourceStream (const char* name, bool inAssets)
{
    return openResourceStream (name, inAssets, getResourcesFolder());
}

juce::InputStream* openResourceStream (const char* name, bool inAssets, const juce::File& resourcesFolder)
{
    auto relativePath = juce::String::fromUTF8 (name);

    if (inAssets)
        relativePath = texts::assetsFolderName + "/" + relativePath;

    auto file = getResourceFile (relativePath, resourcesFolder);

    if (! file.existsAsFile())
        return nullptr;

    return file.createInputStream().release();
}

juce::Image loadResourceImage (const char* name, bool inAssets)
{
    return loadResourceImage (name, inAssets, getResourcesFolder());
}

juce::Image loadResourceImage (const char* name, bool inAssets, const juce::File& resourcesFolder)
{
    // The folder choice is deliberately not part of the key: a name means one picture.
    const auto key = (juce::String::fromUTF8 (name) + texts::assetCacheKeySuffix).hashCode64();

    auto image = juce::ImageCache::getFromHashCode (key);

    if (image.isValid())
        return image;

    std::unique_ptr<juce::InputStream> stream (openResourceStream (name, inAssets, resourcesFolder));

    if (stream == nullptr)
        return {};

    image = juce::ImageFileFormat::loadFrom (*stream);
    juce::ImageCache::addImageToCache (image, key);
    return image;
}

#pragma once

#include <juce_core/juce_core.h>
#include <filesystem>

/** A fresh folder under the system's temporary folder, deleted with everything
    in it when the object goes. */
class TempFolder
{
public:
    TempFolder()
        // Test processes run side by side: a random name keeps them from racing
        // for the same "first free" folder.
        : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                      .getNonexistentChildFile ("tavlo-test-" + juce::String::toHexString (juce::Random().nextInt64()), {}, false))
    {
        folder.createDirectory();
    }

    ~TempFolder()
    {
        // Not File::deleteRecursively: it takes a socket (which a program given
        // this folder as its home or runtime folder may leave there) for a
        // folder and then leaves both the socket and this folder behind.
        std::error_code ignored;
        std::filesystem::remove_all (folder.getFullPathName().toStdString(), ignored);
    }

    const juce::File& get() const noexcept { return folder; }

    /** Creates an empty file (and the folders above it) at a path inside. */
    juce::File createFile (const juce::String& relativePath) const
    {
        auto file = folder.getChildFile (relativePath);
        file.create();
        return file;
    }

    /** Creates a folder (and the folders above it) at a path inside. */
    juce::File createFolder (const juce::String& relativePath) const
    {
        auto dir = folder.getChildFile (relativePath);
        dir.createDirectory();
        return dir;
    }

private:
    juce::File folder;

    JUCE_DECLARE_NON_COPYABLE (TempFolder)
};

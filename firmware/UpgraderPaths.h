#pragma once

#include <juce_core/juce_core.h>

namespace halvik
{
    /** What the upgrader says when the user has no folder it may keep its files in. */
    inline const juce::String noUpgraderFolderText { "No folder for the upgrader's files: neither XDG_DATA_HOME nor HOME names an existing folder." };

    /** The program's per-user data folder and, when there is none, why. */
    struct UpgraderDataFolder
    {
        juce::File folder;
        juce::Result result { juce::Result::ok() };
    };

    /** The program's per-user data folder, where the upgrader keeps downloaded
        firmware and the flashing tool's staging and read-back files:
        $XDG_DATA_HOME/Tavlo, or ~/.local/share/Tavlo. It is made when missing,
        but only inside a base folder that exists and whose path is absolute
        (XDG_DATA_HOME when it is such a folder, else HOME); with neither there
        is no folder, and the result is noUpgraderFolderText. The Tavlo folder
        must be a folder of its own, not a link: otherwise the result names it. */
    UpgraderDataFolder findUpgraderDataFolder();

    /** findUpgraderDataFolder's folder; empty when there is none. */
    juce::File getUpgraderDataFolder();

    /** The folder at relativePath ("local/", say) inside the data folder, each
        folder on the way made when missing. When there is no data folder, or a
        folder on the way is a link or cannot be made, the folder is empty and
        the result names the folder and the system's reason. */
    UpgraderDataFolder makeUpgraderSubfolder (const juce::String& relativePath);
}

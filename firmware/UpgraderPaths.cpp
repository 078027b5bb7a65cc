#include "firmware/UpgraderPaths.h"

#include <cerrno>
#include <system_error>
#include <sys/stat.h>

namespace halvik
{
    namespace
    {
        bool isExistingAbsoluteFolder (const juce::String& path)
        {
            return juce::File::isAbsolutePath (path) && juce::File (path).isDirectory();
        }

        /** The folder of that name inside parent, made when missing; empty
            when a link or anything but a folder stands there (error is then
            ENOTDIR), or when it cannot be made (error says why). Files
            written into a linked folder would land wherever it points. */
        juce::File makeRealFolder (const juce::File& parent, const juce::String& name, int& error)
        {
            const auto folder = parent.getChildFile (name);
            const auto fullPath = folder.getFullPathName();
            const auto* path = fullPath.toRawUTF8();
            struct stat info {};

            if (::lstat (path, &info) != 0)
            {
                if (errno != ENOENT || (::mkdir (path, 0777) != 0 && errno != EEXIST) || ::lstat (path, &info) != 0)
                {
                    error = errno;
                    return {};
                }
            }

            if (! S_ISDIR (info.st_mode))
            {
                error = ENOTDIR;
                return {};
            }

            return folder;
        }
    }

    UpgraderDataFolder findUpgraderDataFolder()
    {
        // An empty HOME would put the folder at the root, a missing one would
        // have the whole path made: neither is the user's folder.
        const auto dataHome = juce::SystemStats::getEnvironmentVariable ("XDG_DATA_HOME", {});
        const auto home = juce::SystemStats::getEnvironmentVariable ("HOME", {});
        juce::File base;

        if (isExistingAbsoluteFolder (dataHome))
            base = juce::File (dataHome);
        else if (isExistingAbsoluteFolder (home))
            base = juce::File (home).getChildFile (".local/share");
        else
            return { {}, juce::Result::fail (noUpgraderFolderText) };

        base.createDirectory();
        int error = 0;
        const auto folder = makeRealFolder (base, "Tavlo", error);

        if (folder == juce::File())
            return { {}, juce::Result::fail ("No folder for the upgrader's files: cannot create "
                                             + base.getChildFile ("Tavlo").getFullPathName() + ": "
                                             + std::generic_category().message (error)) };

        return { folder, juce::Result::ok() };
    }

    juce::File getUpgraderDataFolder()
    {
        return findUpgraderDataFolder().folder;
    }

    UpgraderDataFolder makeUpgraderSubfolder (const juce::String& relativePath)
    {
        auto found = findUpgraderDataFolder();

        if (found.result.failed())
            return found;

        for (auto& name : juce::StringArray::fromTokens (relativePath, "/", {}))
        {
            if (name == "." || name == "..")
                return { {}, juce::Result::fail ("No folder may climb out of the upgrader's folder: " + relativePath) };

            if (name.isEmpty())
                continue;

            int error = 0;
            const auto parent = found.folder;
            found.folder = makeRealFolder (parent, name, error);

            if (found.folder == juce::File())
                return { {}, juce::Result::fail ("Cannot create folder " + parent.getChildFile (name).getFullPathName()
                                                 + ": " + std::generic_category().message (error)) };
        }

        return found;
    }
}

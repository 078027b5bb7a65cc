#include "firmware/UpgraderPaths.h"

namespace halvik
{
    juce::File getUpgraderDataFolder()
    {
        const auto xdgDataHome = juce::SystemStats::getEnvironmentVariable ("XDG_DATA_HOME", {});
        const auto base = juce::File::isAbsolutePath (xdgDataHome)
                              ? juce::File (xdgDataHome)
                              : juce::File::getSpecialLocation (juce::File::userHomeDirectory)
                                    .getChildFile (".local/share");

        auto folder = base.getChildFile ("Tavlo");
        folder.createDirectory();
        return folder;
    }
}

#include "editor/device/HostImpl.h"
#include "common/TextConstants.h"

namespace NsDravel
{

Host::Impl::Impl()
{
    // Named for the program, but never opened: the editor keeps nothing
    // between runs apart from the mapping files the user saves.
    juce::PropertiesFile::Options options;
    options.applicationName = texts::applicationName;
    options.filenameSuffix = ".settings";
    options.osxLibrarySubFolder = "Application Support";
    settings.setStorageParameters (options);

    // The model starts out as the start-up state: modes 0..3, mode 0 current.
}

Host::Impl::~Impl() = default;

} // namespace NsDravel

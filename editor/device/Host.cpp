#include "editor/device/Host.h"

#include "editor/EditorState.h"
#include "editor/device/HostImpl.h"
#include "editor/files/MappingFile.h"
#include "editor/device/MidiInputHandler.h"

namespace NsDravel
{

JUCE_IMPLEMENT_SINGLETON (Host)

Host::Host()
    : impl (std::make_unique<Impl>())
{
}

Host::~Host()
{
    clearSingletonInstance();
}

juce::ValueTree Host::getCurrentMap() const     { return impl->getCurrentMap(); }
void Host::setCurrentMode (int mode)            { impl->setCurrentMode (mode); }
int Host::getCurrentModeIndex() const           { return impl->getCurrentModeIndex(); }
void Host::setProductId (int id)                { impl->setProductId (id); }
int Host::getProductId() const                  { return impl->getProductId(); }

juce::Result Host::saveMappingFile (const juce::File& file)   { return saveMappingToFile (getCurrentMap(), file); }
juce::Result Host::loadMappingFile (const juce::File& file)   { return loadMappingFromFile (*impl, file); }

//==============================================================================
bool connectToDevice (bool force, bool enabled,
                      std::function<bool (int)> productFilter,
                      std::function<bool (int)> portFilter)
{
    auto* host = Host::getInstance();

    if (! enabled)
    {
        if (host->connection != nullptr)
            host->connection->closeDevices();

        return false;
    }

    if (force || host->connection == nullptr)
    {
        // The old connection goes only once the new one stands.
        auto replaced = std::exchange (host->connection, std::make_unique<Host::MidiInputHandler>());
        replaced.reset();
    }

    return host->connection->openDevices (std::move (productFilter), std::move (portFilter));
}

void releaseDeviceHost()
{
    theHost = nullptr;

    // The connection's end stops and closes its ports before the model goes.
    Host::deleteInstance();
}

} // namespace NsDravel

#include "support/KeyboardLinkFixture.h"

#include "editor/model/DeviceSettingsImage.h"
#include "editor/EditorState.h"
#include "editor/device/Host.h"
#include "editor/device/HostImpl.h"
#include "editor/device/MidiInputHandler.h"
#include "firmware/UpgraderState.h"

namespace sim
{

KeyboardLinkFixture::KeyboardLinkFixture()
{
    ports.setRealPauses (false);

    NsDravel::resetProcessState();
    halvik::resetUpgraderState();

    // Each test case runs in its own process: once an application's shutdown
    // has deleted the host, no later case could make it again. The host is
    // still given back its start-up state, so that cases run together by hand
    // do not lean on one another.
    auto* host = NsDravel::Host::getInstance();
    host->connection.reset();
    host->impl->outputName = {};
    host->setProductId (0x1020);
    host->setCurrentMode (0);
    NsDravel::resetImageToFactory();

    editor = std::make_unique<NsDravel::MainComp> (0x1020);

    // The tests drive the ticks themselves; the editor's own timer would
    // interleave ticks of its own whenever the message loop runs.
    if (NsDravel::theTimer != nullptr)
        NsDravel::theTimer->stopTimer();
}

KeyboardLinkFixture::~KeyboardLinkFixture()
{
    editor.reset();
    NsDravel::Host::getInstance()->connection.reset();
    NsDravel::theHost = nullptr;
}

void KeyboardLinkFixture::ticks (int n)
{
    for (int i = 0; i < n; ++i)
        tick();
}

void KeyboardLinkFixture::deliverReplies (SimulatedKeyboard& keyboard)
{
    keyboard.waitUntilRepliesSent();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
}

void KeyboardLinkFixture::closeConnection()
{
    if (auto& connection = NsDravel::Host::getInstance()->connection)
        connection->closeDevices();
}

int KeyboardLinkFixture::pairCount()
{
    auto& connection = NsDravel::Host::getInstance()->connection;
    return connection == nullptr ? 0 : connection->getPairCount();
}

} // namespace sim

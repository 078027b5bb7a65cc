#pragma once

#include "support/LocalHttpServer.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

#include <initializer_list>

namespace sim
{

/** A firmware server of the test's own: a LocalHttpServer that the program is
    pointed at (TAVLO_FIRMWARE_SERVER), and a per-user data folder of the
    test's own (XDG_DATA_HOME), where downloads go. Everything is put back and
    stopped when the object goes. */
class LocalFirmwareServer
{
public:
    LocalFirmwareServer()
    {
        environment.set ("TAVLO_FIRMWARE_SERVER", server.getBaseUrl());
        environment.set ("XDG_DATA_HOME", dataHome.get().getFullPathName());
        // A proxy from the environment must not see the loopback requests.
        environment.set ("no_proxy", "127.0.0.1");
        environment.set ("NO_PROXY", "127.0.0.1");
    }

    /** One entry of a firmware list. */
    struct Entry
    {
        int pid;
        juce::String name, version, fw;
    };

    /** The text of a list with these entries, in this order. */
    static juce::String listText (std::initializer_list<Entry> entries)
    {
        juce::String text ("<firmwares>");

        for (auto& e : entries)
            text << "<firmware pid=\"" << e.pid << "\" name=\"" << e.name << "\" version=\"" << e.version << "\" fw=\"" << e.fw << "\"/>";

        return text + "</firmwares>";
    }

    /** Serves a list ("firmware.xml" unless another path is given). */
    void serveList (std::initializer_list<Entry> entries, const juce::String& path = "firmware.xml")
    {
        server.setAnswer (path, LocalHttpServer::text (listText (entries)));
    }

    /** Serves an image at a path below the server's base. */
    void serveImage (const juce::String& path, const juce::MemoryBlock& image)
    {
        server.setAnswer (path, LocalHttpServer::bytes (image));
    }

    /** Every file below the test's data home, the downloads' folder included. */
    juce::Array<juce::File> filesInDataHome() const
    {
        return dataHome.get().findChildFiles (juce::File::findFiles, true);
    }

    TempFolder dataHome;
    ScopedEnvironment environment;
    LocalHttpServer server;

    JUCE_DECLARE_NON_COPYABLE (LocalFirmwareServer)
};

} // namespace sim

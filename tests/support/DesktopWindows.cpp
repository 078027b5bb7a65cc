#include "DesktopWindows.h"

PrivateDisplay::PrivateDisplay()
{
    // JUCE needs a 24-bit screen. The server picks a free display number and
    // prints it on the given descriptor once it accepts connections.
    if (! server.start ({ "Xvfb", "-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1280x1024x24" },
                        juce::ChildProcess::wantStdOut))
        return;

    juce::String number;
    char c = 0;

    while (server.readProcessOutput (&c, 1) == 1 && c != '\n')
        number << c;

    if (number.containsOnly ("0123456789") && number.isNotEmpty())
        name = ":" + number;
}

PrivateDisplay::~PrivateDisplay()
{
    server.kill();
    server.waitForProcessToFinish (10000);
}

juce::String PrivateDisplay::run (const juce::StringArray& arguments) const
{
    // X clients come from the system's folders, whatever PATH a test gave itself.
    auto withDisplay = arguments;
    withDisplay.insert (0, "PATH=/usr/bin:/bin");
    withDisplay.insert (0, "DISPLAY=" + name);
    withDisplay.insert (0, "/usr/bin/env");

    juce::ChildProcess client;

    if (! client.start (withDisplay, juce::ChildProcess::wantStdOut))
        return {};

    return client.readAllProcessOutput();
}

juce::StringArray PrivateDisplay::findVisibleWindows (int processId, const juce::String& title) const
{
    auto lines = juce::StringArray::fromLines (run ({ "xdotool", "search", "--all", "--onlyvisible",
                                                      "--pid", juce::String (processId),
                                                      "--name", "^" + title + "$" }));
    lines.removeEmptyStrings();
    return lines;
}

void PrivateDisplay::typeKeysInto (const juce::String& windowId, const juce::String& keys) const
{
    run ({ "xdotool", "windowfocus", "--sync", windowId });
    run ({ "xdotool", "key", keys });
}

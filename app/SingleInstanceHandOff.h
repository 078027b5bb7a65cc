#pragma once

#include <juce_events/juce_events.h>
#include <functional>
#include <memory>
#include <optional>

/** Keeps the program to one running instance per user and hands the command line
    of a second start to the running one.

    The first start takes a lock file and listens on a local socket beside it; a
    later start finds the lock held, sends its command line through the socket and
    waits for the running instance to confirm that it has dealt with it. The lock
    is the operating system's, so it goes with a crashed process and a leftover
    socket is simply replaced. Both files live in the user's runtime folder
    (XDG_RUNTIME_DIR), or in the home folder when there is none. */
class SingleInstanceHandOff
{
public:
    enum class Outcome
    {
        firstInstance,   ///< this process runs; call startListening
        handedOff,       ///< the running instance confirmed the hand-off; end this process
        noAnswer         ///< another instance holds the lock but did not confirm; end this process
    };

    /** Nothing happens until claimOrHandOff. Message thread. */
    SingleInstanceHandOff (const juce::File& folder, const juce::String& applicationName);
    ~SingleInstanceHandOff();

    /** Where the lock and the socket live for this user. */
    static juce::File getDefaultFolder();

    /** Takes the lock, or hands the command line to the instance that holds it.
        When the lock cannot be made at all (e.g. an unwritable folder), this process
        runs as the first instance rather than not at all. Message thread; may
        block for a few seconds while a busy running instance answers. */
    Outcome claimOrHandOff (const juce::String& commandLine);

    /** First instance only: from now on every later start calls the callback on
        the message thread with that start's command line. */
    void startListening (std::function<void (const juce::String&)> onAnotherStart);

private:
    class Listener;
    struct Connection;

    bool openListeningSocket();
    /** Nothing when the running instance cannot be reached (yet). */
    std::optional<Outcome> sendToRunningInstance (const juce::String& commandLine);
    void handleConnection (std::shared_ptr<Connection>, const juce::String& commandLine);

    const juce::File lockFile, socketFile;
    int lockHandle = -1;
    int listeningSocket = -1;
    std::function<void (const juce::String&)> callback;
    std::unique_ptr<Listener> listener;

    JUCE_DECLARE_WEAK_REFERENCEABLE (SingleInstanceHandOff)
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SingleInstanceHandOff)
};

#pragma once

#include <juce_events/juce_events.h>
#include <functional>
#include <memory>
#include <optional>

/** Keeps the program to one running instance per user and hands the command line
    of a second start to the running one.

    The first start takes a local socket address and listens on it; a later start
    finds the address taken, sends its command line to it and waits for the
    running instance to confirm that it has dealt with it.

    The address lives in Linux's abstract socket namespace, not in a file: no
    folder has to be writable, nothing at any path can be in the way, and the
    address goes with the process that held it, crashed or not. It is made from
    the user's id and runtime folder (XDG_RUNTIME_DIR, or the home folder when
    there is none); the folder only names the instance and is never written to,
    so its length does not matter either. Anyone on the machine can reach an abstract address,
    so both sides check who is at the other end: the running instance takes
    hand-offs only from its own user, and a start that finds the address held by
    another user runs on its own. */
class SingleInstanceHandOff
{
public:
    enum class Outcome
    {
        firstInstance,   ///< this process runs; call startListening
        handedOff,       ///< the running instance confirmed the hand-off; end this process
        noAnswer         ///< another instance holds the address but did not confirm; end this process
    };

    /** Nothing happens until claimOrHandOff. Message thread. */
    SingleInstanceHandOff (const juce::File& folder, const juce::String& applicationName);
    ~SingleInstanceHandOff();

    /** The folder that names this user's instance. */
    static juce::File getDefaultFolder();

    /** Takes the address, or hands the command line to the instance that holds it.
        When there is no way to take it (no sockets at all, or the address is
        held by another user's process), this process runs as the first instance
        rather than not at all. Message thread; may block for a few seconds
        while a busy running instance answers. */
    Outcome claimOrHandOff (const juce::String& commandLine);

    /** First instance only: from now on every later start of the same user calls
        the callback on the message thread with that start's command line. */
    void startListening (std::function<void (const juce::String&)> onAnotherStart);

private:
    class Listener;
    struct Connection;

    /** Nothing when the running instance cannot be reached (yet), or went
        away without answering. */
    std::optional<Outcome> sendToRunningInstance (const juce::String& commandLine);
    void handleConnection (std::shared_ptr<Connection>, const juce::String& commandLine);

    const std::string addressName;
    int listeningSocket = -1;
    std::function<void (const juce::String&)> callback;
    std::unique_ptr<Listener> listener;

    JUCE_DECLARE_WEAK_REFERENCEABLE (SingleInstanceHandOff)
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SingleInstanceHandOff)
};

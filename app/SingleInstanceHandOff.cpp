#include "SingleInstanceHandOff.h"

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
    constexpr char acknowledgement = 'k';
    constexpr int maxCommandLineBytes = 64 * 1024;
    constexpr int answerTimeoutMs = 5000;          // a running instance busy in a long task may be slow to answer
    constexpr int readTimeoutSeconds = 2;          // a start that connects but never finishes its message
    constexpr int attemptsWhileStartingOrEnding = 20;
    constexpr int pauseBetweenAttemptsMs = 50;

    constexpr int maxStemLength = 64;

    /** A socket address in the abstract namespace: a zero byte, then the name. */
    struct AbstractAddress
    {
        explicit AbstractAddress (const std::string& name)
        {
            std::memset (&address, 0, sizeof (address));
            address.sun_family = AF_UNIX;

            // The name is short by construction; a longer one is cut rather than overrun.
            const auto length = std::min (name.size(), sizeof (address.sun_path) - 1);
            std::memcpy (address.sun_path + 1, name.data(), length);
            size = (socklen_t) (offsetof (sockaddr_un, sun_path) + 1 + length);
        }

        const sockaddr* get() const { return reinterpret_cast<const sockaddr*> (&address); }

        sockaddr_un address;
        socklen_t size = 0;
    };

    /** The process at the other end of a connected local socket runs as this
        process's user. */
    bool peerIsSameUser (int fd)
    {
        ucred peer {};
        socklen_t size = sizeof (peer);
        return ::getsockopt (fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::geteuid();
    }

    bool sendAll (int fd, const char* data, size_t size)
    {
        while (size > 0)
        {
            const auto sent = ::send (fd, data, size, MSG_NOSIGNAL);

            if (sent < 0 && errno == EINTR)
                continue;

            if (sent <= 0)
                return false;

            data += sent;
            size -= (size_t) sent;
        }

        return true;
    }

    /** The program's name, the user and a hash of the folder path: fixed in
        length however long the path, and the same for every start of this user
        that sees the same folder. */
    std::string makeAddressName (const juce::File& folder, const juce::String& applicationName)
    {
        const auto stem = juce::File::createLegalFileName (applicationName).replaceCharacter (' ', '-')
                              .substring (0, maxStemLength);
        const auto folderHash = folder.getFullPathName().hashCode64();
        return (stem + "-instance-" + juce::String ((juce::uint64) ::geteuid()) + "-"
                + juce::String::toHexString (folderHash)).toStdString();
    }
}

//==============================================================================
struct SingleInstanceHandOff::Connection
{
    explicit Connection (int fd) : socket (fd) {}
    ~Connection() { ::close (socket); }

    void acknowledge() const { sendAll (socket, &acknowledgement, 1); }

    const int socket;
};

//==============================================================================
class SingleInstanceHandOff::Listener : public juce::Thread
{
public:
    Listener (int socketToAcceptOn, juce::WeakReference<SingleInstanceHandOff> ownerToNotify)
        : juce::Thread ("Instance hand-off"),
          listeningSocket (socketToAcceptOn),
          owner (std::move (ownerToNotify))
    {
        if (::pipe2 (wakePipe, O_CLOEXEC) != 0)
            wakePipe[0] = wakePipe[1] = -1;
    }

    ~Listener() override
    {
        signalThreadShouldExit();

        if (wakePipe[1] >= 0)
        {
            const char wake = 0;
            juce::ignoreUnused (::write (wakePipe[1], &wake, 1));
        }

        stopThread (-1);

        for (auto fd : wakePipe)
            if (fd >= 0)
                ::close (fd);
    }

    void run() override
    {
        while (! threadShouldExit())
        {
            pollfd fds[] { { listeningSocket, POLLIN, 0 }, { wakePipe[0], POLLIN, 0 } };

            if (::poll (fds, wakePipe[0] >= 0 ? 2 : 1, wakePipe[0] >= 0 ? -1 : 200) < 0)
            {
                if (errno == EINTR)
                    continue;

                return;
            }

            if (threadShouldExit() || (fds[1].revents & POLLIN) != 0)
                return;

            if ((fds[0].revents & POLLIN) == 0)
                continue;

            const auto fd = ::accept4 (listeningSocket, nullptr, nullptr, SOCK_CLOEXEC);

            if (fd < 0)
                continue;

            // Anyone on the machine can reach the address: another user's
            // process gets the connection closed without a word.
            if (! peerIsSameUser (fd))
            {
                ::close (fd);
                continue;
            }

            auto connection = std::make_shared<Connection> (fd);
            const auto commandLine = readCommandLine (fd);

            juce::MessageManager::callAsync ([weakOwner = owner, connection, commandLine]
            {
                if (auto* self = weakOwner.get())
                    self->handleConnection (connection, commandLine);
            });
        }
    }

private:
    static juce::String readCommandLine (int fd)
    {
        timeval timeout { readTimeoutSeconds, 0 };
        ::setsockopt (fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof (timeout));

        juce::MemoryBlock received;
        char buffer[4096];

        while ((int) received.getSize() < maxCommandLineBytes)
        {
            const auto count = ::recv (fd, buffer, sizeof (buffer), 0);

            if (count < 0 && errno == EINTR)
                continue;

            if (count <= 0)
                break;

            received.append (buffer, (size_t) count);
        }

        return received.toString();
    }

    const int listeningSocket;
    juce::WeakReference<SingleInstanceHandOff> owner;
    int wakePipe[2] { -1, -1 };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Listener)
};

//==============================================================================
SingleInstanceHandOff::SingleInstanceHandOff (const juce::File& folder, const juce::String& applicationName)
    : addressName (makeAddressName (folder, applicationName))
{
}

SingleInstanceHandOff::~SingleInstanceHandOff()
{
    listener.reset();

    // Closing the socket frees the address for the next start.
    if (listeningSocket >= 0)
        ::close (listeningSocket);
}

juce::File SingleInstanceHandOff::getDefaultFolder()
{
    if (const char* runtimeFolder = std::getenv ("XDG_RUNTIME_DIR"))
    {
        const auto path = juce::String::fromUTF8 (runtimeFolder);

        if (juce::File::isAbsolutePath (path) && juce::File (path).isDirectory())
            return juce::File (path);
    }

    return juce::File::getSpecialLocation (juce::File::userHomeDirectory);
}

SingleInstanceHandOff::Outcome SingleInstanceHandOff::claimOrHandOff (const juce::String& commandLine)
{
    const AbstractAddress address (addressName);

    // The instance that holds the address may be ending: it drops a connection
    // unanswered and soon frees the address, which a later attempt then takes.
    // Try again for a moment before giving up.
    for (int attempt = 0; attempt < attemptsWhileStartingOrEnding; ++attempt)
    {
        const auto fd = ::socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);

        if (fd < 0)
            return Outcome::firstInstance;

        if (::bind (fd, address.get(), address.size) == 0)
        {
            if (::listen (fd, 8) == 0)
                listeningSocket = fd;
            else
                ::close (fd);

            return Outcome::firstInstance;
        }

        const auto bindError = errno;
        ::close (fd);

        if (bindError != EADDRINUSE)
            return Outcome::firstInstance;

        if (const auto outcome = sendToRunningInstance (commandLine))
            return *outcome;

        juce::Thread::sleep (pauseBetweenAttemptsMs);
    }

    return Outcome::noAnswer;
}

std::optional<SingleInstanceHandOff::Outcome> SingleInstanceHandOff::sendToRunningInstance (const juce::String& commandLine)
{
    const AbstractAddress address (addressName);
    const auto fd = ::socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);

    if (fd < 0)
        return Outcome::noAnswer;

    if (::connect (fd, address.get(), address.size) != 0)
    {
        ::close (fd);
        return std::nullopt;
    }

    // The address is taken by another user's process, which is not ours to
    // hand anything to: this start runs as its own instance.
    if (! peerIsSameUser (fd))
    {
        ::close (fd);
        return Outcome::firstInstance;
    }

    // A connection closed before the answer (or even before the command line
    // is through) comes from an instance that is ending: try again, and this
    // start may well be the one that runs.
    const auto utf8 = commandLine.toStdString();
    std::optional<Outcome> outcome;

    if (sendAll (fd, utf8.data(), utf8.size()) && ::shutdown (fd, SHUT_WR) == 0)
    {
        pollfd answer { fd, POLLIN, 0 };
        outcome = Outcome::noAnswer;

        if (::poll (&answer, 1, answerTimeoutMs) == 1)
        {
            char reply = 0;
            const auto received = ::recv (fd, &reply, 1, 0);

            if (received == 1 && reply == acknowledgement)
                outcome = Outcome::handedOff;
            else if (received <= 0)
                outcome = std::nullopt;
        }
    }

    ::close (fd);
    return outcome;
}

void SingleInstanceHandOff::startListening (std::function<void (const juce::String&)> onAnotherStart)
{
    callback = std::move (onAnotherStart);

    if (listeningSocket < 0 || listener != nullptr)
        return;

    listener = std::make_unique<Listener> (listeningSocket, juce::WeakReference<SingleInstanceHandOff> (this));
    listener->startThread();
}

void SingleInstanceHandOff::handleConnection (std::shared_ptr<Connection> connection, const juce::String& commandLine)
{
    if (callback != nullptr)
        callback (commandLine);

    connection->acknowledge();
}

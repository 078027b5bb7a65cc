#include "SingleInstanceHandOff.h"

#include <cerrno>
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

    enum class LockResult { locked, heldElsewhere, unavailable };

    bool makeAddress (const juce::File& socketFile, sockaddr_un& address)
    {
        const auto path = socketFile.getFullPathName().toStdString();

        std::memset (&address, 0, sizeof (address));
        address.sun_family = AF_UNIX;

        if (path.size() >= sizeof (address.sun_path))
            return false;

        std::memcpy (address.sun_path, path.c_str(), path.size());
        return true;
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

    juce::String instanceFileStem (const juce::String& applicationName)
    {
        return "." + juce::File::createLegalFileName (applicationName).replaceCharacter (' ', '-') + "-instance";
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
    : lockFile (folder.getChildFile (instanceFileStem (applicationName) + ".lock")),
      socketFile (folder.getChildFile (instanceFileStem (applicationName) + ".socket"))
{
}

SingleInstanceHandOff::~SingleInstanceHandOff()
{
    listener.reset();

    if (listeningSocket >= 0)
    {
        ::close (listeningSocket);
        ::unlink (socketFile.getFullPathName().toRawUTF8());
    }

    // Closing the file releases the lock; the file itself stays for the next start.
    if (lockHandle >= 0)
        ::close (lockHandle);
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
    // A running instance that is still starting (or already ending) holds the
    // lock without listening; try again for a moment before giving up.
    for (int attempt = 0; attempt < attemptsWhileStartingOrEnding; ++attempt)
    {
        const auto handle = ::open (lockFile.getFullPathName().toRawUTF8(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);

        if (handle < 0)
            return Outcome::firstInstance;

        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;

        if (::fcntl (handle, F_SETLK, &lock) == 0)
        {
            lockHandle = handle;
            openListeningSocket();
            return Outcome::firstInstance;
        }

        const auto lockError = errno;
        ::close (handle);

        if (lockError != EACCES && lockError != EAGAIN)
            return Outcome::firstInstance;

        if (const auto outcome = sendToRunningInstance (commandLine))
            return *outcome;

        juce::Thread::sleep (pauseBetweenAttemptsMs);
    }

    return Outcome::noAnswer;
}

bool SingleInstanceHandOff::openListeningSocket()
{
    sockaddr_un address;

    if (! makeAddress (socketFile, address))
        return false;

    const auto fd = ::socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);

    if (fd < 0)
        return false;

    // Holding the lock, any socket file left here belongs to an instance that is gone.
    ::unlink (address.sun_path);

    if (::bind (fd, reinterpret_cast<sockaddr*> (&address), sizeof (address)) != 0
         || ::listen (fd, 8) != 0)
    {
        ::close (fd);
        return false;
    }

    listeningSocket = fd;
    return true;
}

std::optional<SingleInstanceHandOff::Outcome> SingleInstanceHandOff::sendToRunningInstance (const juce::String& commandLine)
{
    sockaddr_un address;

    if (! makeAddress (socketFile, address))
        return Outcome::noAnswer;

    const auto fd = ::socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);

    if (fd < 0)
        return Outcome::noAnswer;

    if (::connect (fd, reinterpret_cast<sockaddr*> (&address), sizeof (address)) != 0)
    {
        ::close (fd);
        return std::nullopt;
    }

    const auto utf8 = commandLine.toStdString();
    auto outcome = Outcome::noAnswer;

    if (sendAll (fd, utf8.data(), utf8.size()) && ::shutdown (fd, SHUT_WR) == 0)
    {
        pollfd answer { fd, POLLIN, 0 };
        char reply = 0;

        if (::poll (&answer, 1, answerTimeoutMs) == 1 && ::recv (fd, &reply, 1, 0) == 1 && reply == acknowledgement)
            outcome = Outcome::handedOff;
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

#include "common/BoundedFileRead.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
    bool isRegularFileOfAtMost (const struct stat& info, size_t maxBytes)
    {
        return S_ISREG (info.st_mode) && (juce::uint64) info.st_size <= (juce::uint64) maxBytes;
    }

    /** The descriptor's bytes to its end, or nothing when a read fails or
        there are more than maxBytes. */
    std::optional<juce::MemoryBlock> readToTheEnd (int fd, size_t maxBytes)
    {
        juce::MemoryBlock bytes;
        char buffer[65536];

        for (;;)
        {
            // One byte past the limit tells a file longer than it said it was.
            const auto wanted = std::min (sizeof (buffer), maxBytes + 1 - bytes.getSize());
            const auto got = ::read (fd, buffer, wanted);

            if (got < 0 && errno == EINTR)
                continue;

            if (got < 0)
                return std::nullopt;

            if (got == 0)
                return bytes;

            bytes.append (buffer, (size_t) got);

            if (bytes.getSize() > maxBytes)
                return std::nullopt;
        }
    }

    /** The file opened for reading when it is a regular file of at most
        maxBytes, -1 otherwise. */
    int openRegularFile (const juce::File& file, size_t maxBytes)
    {
        const auto path = file.getFullPathName();
        struct stat info {};

        // Looked at before it is opened: opening a device can act on it (a serial
        // port resets the board behind it).
        if (::stat (path.toRawUTF8(), &info) != 0 || ! isRegularFileOfAtMost (info, maxBytes))
            return -1;

        // Without blocking, as a FIFO put there meanwhile would wait in open()
        // for a writer; what was opened is then looked at again.
        const auto fd = ::open (path.toRawUTF8(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);

        if (fd >= 0 && (::fstat (fd, &info) != 0 || ! isRegularFileOfAtMost (info, maxBytes)))
        {
            ::close (fd);
            return -1;
        }

        return fd;
    }
}

std::optional<juce::MemoryBlock> readWholeFile (const juce::File& file, size_t maxBytes)
{
    const auto fd = openRegularFile (file, maxBytes);

    if (fd < 0)
        return std::nullopt;

    auto bytes = readToTheEnd (fd, maxBytes);
    ::close (fd);
    return bytes;
}

bool canOpenForReading (const juce::File& file)
{
    const auto fd = openRegularFile (file, std::numeric_limits<size_t>::max());

    if (fd < 0)
        return false;

    ::close (fd);
    return true;
}

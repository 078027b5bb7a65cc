#include "common/VerifiedFileWrite.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace
{
    // Fresh names are random: this many taken in a row means something else
    // is wrong.
    constexpr int freshNameAttempts = 100;

    /** Every byte written, or false with errno set. A write that takes no
        byte and reports nothing counts as a full disk. */
    bool writeAll (int fd, const char* data, size_t size)
    {
        while (size > 0)
        {
            const auto written = ::write (fd, data, size);

            if (written < 0 && errno == EINTR)
                continue;

            if (written <= 0)
            {
                if (written == 0)
                    errno = ENOSPC;

                return false;
            }

            data += written;
            size -= (size_t) written;
        }

        return true;
    }

    /** True when the file holds exactly the bytes, read through the same
        descriptor; false with errno set when it does not. */
    bool holdsExactly (int fd, const char* data, size_t size)
    {
        char buffer[65536];
        off_t offset = 0;

        for (;;)
        {
            const auto got = ::pread (fd, buffer, sizeof (buffer), offset);

            if (got < 0 && errno == EINTR)
                continue;

            if (got < 0)
                return false;

            const auto remaining = size - (size_t) offset;

            if ((size_t) got > remaining || (got > 0 && std::memcmp (buffer, data + offset, (size_t) got) != 0))
            {
                errno = EIO;
                return false;
            }

            if (got == 0)
            {
                errno = ENOSPC;     // shorter than the data: the rest never arrived
                return remaining == 0;
            }

            offset += got;
        }
    }
}

juce::Result writeFileVerified (const juce::File& file, const void* data, size_t size)
{
    const auto folder = file.getParentDirectory();

    auto failure = [&folder] (int error)
    {
        return juce::Result::fail ("Cannot create file in " + folder.getFullPathName() + ": "
                                   + std::generic_category().message (error));
    };

    juce::Random random;

    for (int attempt = 0; attempt < freshNameAttempts; ++attempt)
    {
        const auto fresh = folder.getFullPathName() + "/" + file.getFileName() + "."
                           + juce::String::toHexString (random.nextInt64()) + ".part";
        const auto fd = ::open (fresh.toRawUTF8(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);

        if (fd < 0 && errno == EEXIST)
            continue;

        if (fd < 0)
            return failure (errno);

        int error = 0;

        if (! writeAll (fd, static_cast<const char*> (data), size)
             || ::fsync (fd) != 0
             || ! holdsExactly (fd, static_cast<const char*> (data), size))
            error = errno;

        if (::close (fd) != 0 && error == 0)
            error = errno;

        if (error == 0 && ::rename (fresh.toRawUTF8(), file.getFullPathName().toRawUTF8()) != 0)
            error = errno;

        if (error == 0)
            return juce::Result::ok();

        ::unlink (fresh.toRawUTF8());
        return failure (error);
    }

    return failure (EEXIST);
}

#pragma once

#include <juce_core/juce_core.h>

#include <csignal>
#include <sys/resource.h>

/** While the object lives, this process (and any child it starts) may make
    files only up to that many bytes: a write past the limit fails as on a full
    disk (SIGXFSZ is ignored meanwhile, so it does not end the process). */
class ScopedFileSizeLimit
{
public:
    explicit ScopedFileSizeLimit (rlim_t bytes)
    {
        getrlimit (RLIMIT_FSIZE, &previous);
        previousHandler = std::signal (SIGXFSZ, SIG_IGN);
        auto limited = previous;
        limited.rlim_cur = bytes;
        setrlimit (RLIMIT_FSIZE, &limited);
    }

    ~ScopedFileSizeLimit()
    {
        setrlimit (RLIMIT_FSIZE, &previous);
        std::signal (SIGXFSZ, previousHandler);
    }

private:
    rlimit previous {};
    void (*previousHandler) (int) = nullptr;

    JUCE_DECLARE_NON_COPYABLE (ScopedFileSizeLimit)
};

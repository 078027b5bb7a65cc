#pragma once

#include <juce_core/juce_core.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

/** Where the build put the program and its resources folder; for tests that
    start the real binary or read the laid-out resources. */
namespace testpaths
{
    inline juce::File programFile()   { return juce::File (TAVLO_BINARY); }
    inline juce::File buildFolder()   { return juce::File (TAVLO_BUILD_DIR); }
    inline juce::File sourceFolder()  { return juce::File (TAVLO_SOURCE_DIR); }
}

/** A fresh folder under the system's temporary folder, deleted with everything
    in it when the object goes. */
class TempFolder
{
public:
    TempFolder()    { folder.createDirectory(); }

    ~TempFolder()
    {
        // Not File::deleteRecursively: it takes a socket (which a program given
        // this folder as its home or runtime folder may leave there) for a
        // folder and then leaves both the socket and this folder behind.
        std::error_code ignored;
        std::filesystem::remove_all (folder.getFullPathName().toStdString(), ignored);
    }

    const juce::File& get() const noexcept { return folder; }

    /** Creates an empty file (and the folders above it) at a path inside. */
    juce::File createFile (const juce::String& relativePath) const
    {
        const auto file = folder.getChildFile (relativePath);
        file.create();
        return file;
    }

    /** Creates a folder (and the folders above it) at a path inside. */
    juce::File createFolder (const juce::String& relativePath) const
    {
        const auto created = folder.getChildFile (relativePath);
        created.createDirectory();
        return created;
    }

private:
    // Test processes run side by side: a random name keeps them from racing
    // for the same "first free" folder.
    const juce::String randomName { "tavlo-test-" + juce::String::toHexString (juce::Random().nextInt64()) };
    const juce::File folder { juce::File::getSpecialLocation (juce::File::tempDirectory)
                                  .getNonexistentChildFile (randomName, {}, false) };

    JUCE_DECLARE_NON_COPYABLE (TempFolder)
};

/** Sets environment variables for the life of the object and puts back what
    was there before (unset when nothing was). */
class ScopedEnvironment
{
public:
    ScopedEnvironment() = default;

    /** Sets one variable at once; more can follow with set() and unset(). */
    ScopedEnvironment (const juce::String& name, const juce::String& value)     { set (name, value); }

    ~ScopedEnvironment()
    {
        for (auto it = saved.rbegin(); it != saved.rend(); ++it)
            apply (it->first, it->second);
    }

    /** Sets, or removes, the variable; the old value comes back when the object goes. */
    void set (const juce::String& name, const juce::String& value)   { change (name, value); }
    void unset (const juce::String& name)                            { change (name, std::nullopt); }

private:
    void change (const juce::String& name, const std::optional<juce::String>& value)
    {
        const char* old = ::getenv (name.toRawUTF8());
        saved.emplace_back (name, old != nullptr ? std::optional<juce::String> (juce::String::fromUTF8 (old))
                                                 : std::nullopt);
        apply (name, value);
    }

    static void apply (const juce::String& name, const std::optional<juce::String>& value)
    {
        if (value.has_value())
            ::setenv (name.toRawUTF8(), value->toRawUTF8(), 1);
        else
            ::unsetenv (name.toRawUTF8());
    }

    std::vector<std::pair<juce::String, std::optional<juce::String>>> saved;

    JUCE_DECLARE_NON_COPYABLE (ScopedEnvironment)
};

/** While the object lives, this process (and any child it starts) may make
    files only up to that many bytes: a write past the limit fails as on a full
    disk (SIGXFSZ is ignored meanwhile, so it does not end the process). */
class ScopedFileSizeLimit
{
public:
    explicit ScopedFileSizeLimit (rlim_t bytes)
    {
        getrlimit (RLIMIT_FSIZE, &previous);
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
    void (*previousHandler) (int) = std::signal (SIGXFSZ, SIG_IGN);

    JUCE_DECLARE_NON_COPYABLE (ScopedFileSizeLimit)
};

/** While the object lives, this thread lacks some permissions on a file or
    folder, as when it belongs to another user: the path loses them, and since
    that does not stop root, a thread running as root takes the file-system
    identity of "nobody" meanwhile. A program it starts runs with its own
    identity again. */
class ScopedPermissionsTaken
{
public:
    ScopedPermissionsTaken (const juce::File& pathToLock, std::filesystem::perms taken)
        : path (pathToLock.getFullPathName().toStdString()),
          previous (std::filesystem::status (path).permissions())
    {
        std::filesystem::permissions (path, previous & ~taken);

        if (::geteuid() == 0)
            previousIdentity = ::setfsuid (nobody);
    }

    ~ScopedPermissionsTaken()
    {
        if (previousIdentity >= 0)
            ::setfsuid ((uid_t) previousIdentity);

        std::filesystem::permissions (path, previous);
    }

private:
    static constexpr uid_t nobody = 65534;

    std::filesystem::path path;
    std::filesystem::perms previous;
    int previousIdentity = -1;

    JUCE_DECLARE_NON_COPYABLE (ScopedPermissionsTaken)
};

/** While the object lives, this thread cannot make files in the folder. */
class ScopedUnwritableFolder : private ScopedPermissionsTaken
{
public:
    explicit ScopedUnwritableFolder (const juce::File& folderToLock)
        : ScopedPermissionsTaken (folderToLock, std::filesystem::perms::owner_write
                                                | std::filesystem::perms::group_write
                                                | std::filesystem::perms::others_write)
    {
    }
};

/** While the object lives, this thread cannot open the file (chmod 000). */
class ScopedUnreadableFile : private ScopedPermissionsTaken
{
public:
    explicit ScopedUnreadableFile (const juce::File& fileToLock)
        : ScopedPermissionsTaken (fileToLock, std::filesystem::perms::all)
    {
    }
};

/** The system's file chooser, which JUCE runs as a process of its own: a
    script under the chooser's name, in a folder the test puts first on the
    PATH. It says when it runs, and answers with whatever the test writes into
    its answer file (nothing for a cancel). It gives up, as a cancel, after a
    minute, so that a program that stopped waiting for it fails the test
    instead of hanging it. */
class SystemFileChooserStandIn
{
public:
    explicit SystemFileChooserStandIn (const juce::File& folder)
        : started (folder.getChildFile ("started")), answer (folder.getChildFile ("answer"))
    {
        auto script = folder.getChildFile ("zenity");
        script.replaceWithText ("#!/bin/sh\n"
                                "touch '" + started.getFullPathName() + "'\n"
                                "for i in $(seq 3000); do\n"
                                "    [ -e '" + answer.getFullPathName() + "' ] && "
                                "exec cat '" + answer.getFullPathName() + "'\n"
                                "    sleep 0.02\n"
                                "done\n", false, false, "\n");
        script.setExecutePermission (true);
    }

    bool isRunning() const                              { return started.exists(); }

    void answerWith (const juce::File& file) const
    {
        answer.replaceWithText (file.getFullPathName(), false, false, "\n");
    }

private:
    juce::File started, answer;
};

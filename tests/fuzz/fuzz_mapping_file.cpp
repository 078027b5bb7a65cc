// The mapping-file loader on any bytes, read from disk as "Load File" reads
// them. A refused file must leave the model and the settings image as they
// were; an accepted one must leave a valid current map.

#include "editor/files/MappingFile.h"
#include "editor/model/DeviceSettingsImage.h"
#include "editor/model/MappingModel.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace
{
    // One file per process, so that runs side by side never share it; in
    // memory where the system offers it, as rewriting a file on disk
    // thousands of times a second costs more than the load.
    struct ScratchFile
    {
        const juce::File file = juce::File (juce::File ("/dev/shm").isDirectory() ? "/dev/shm" : "/tmp")
                                    .getChildFile ("tavlo-fuzz-" + juce::String (getpid()) + ".tavlo");

        ~ScratchFile()  { file.deleteFile(); }
    };

    struct StartState
    {
        NsDravel::MappingModel model;
        juce::ValueTree modes = model.getModes().createCopy();
        NsDravel::DeviceSettingsImage image = NsDravel::deviceSettingsImage;
    };

    [[noreturn]] void fault (const char* what)
    {
        std::fprintf (stderr, "mapping file: %s\n", what);
        std::abort();
    }
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    static ScratchFile scratch;
    std::ofstream (scratch.file.getFullPathName().toStdString(), std::ios::binary)
        .write (reinterpret_cast<const char*> (data), (std::streamsize) size);

    // The start-up state; a refused file leaves it as it was, so the model is
    // built anew only after a file was taken.
    static auto start = std::make_unique<StartState>();
    const auto result = NsDravel::loadMappingFromFile (start->model, scratch.file);

    if (result.failed() && result.getErrorMessage() != NsDravel::MappingFileTexts::loadFailed)
        fault ("unexpected message");

    if (result.failed() && (! start->model.getModes().isEquivalentTo (start->modes) || NsDravel::deviceSettingsImage != start->image))
        fault ("a refused file changed the model");

    if (result.wasOk() && ! NsDravel::isValidMappingTree (start->model.getCurrentMap()))
        fault ("an accepted file left an invalid current map");

    if (result.wasOk())
        start = std::make_unique<StartState>();

    return 0;
}

#pragma once

#include <juce_data_structures/juce_data_structures.h>
#include "editor/device/Host.h"

namespace NsDravel
{
    class MappingModel;

    /** Texts of the mapping-file choosers and of the failures. */
    namespace MappingFileTexts
    {
        inline const juce::String saveChooserTitle   { "Save Mapping" };
        inline const juce::String loadChooserTitle   { "Load Mapping" };
        inline const juce::String filePattern        { "*.tavlo" };
        inline const juce::String fileExtension      { ".tavlo" };

        inline const juce::String noCurrentMapping   { "Could not save current mapping to disk" };
        inline const juce::String writeFailed        { "Failed to write mapping file" };
        inline const juce::String loadFailed         { "Could not load mapping data" };
    }

    /** Writes one "map" tree as a UTF-8 XML document (lines wrapped at 60). The
        document goes to a temporary file beside the target, is read back and only
        then replaces the target, so a failed write never damages the previous file.
        Fails with "Could not save current mapping to disk" for an invalid map and
        with "Failed to write mapping file" when the file cannot be written.
        Message thread.
    */
    juce::Result saveMappingToFile (const juce::ValueTree& map, const juce::File& file);

    /** Reads a mapping file into the model: the file's map takes the place of the
        map of its DAW mode (or is appended when there is none) and becomes current,
        and the controls' channels, message types and values go into the device
        settings image. A file that is unreadable, not XML, not a complete "map" of
        a known DAW mode with controls 1..7, or whose values are out of range, fails
        with "Could not load mapping data" and changes nothing. Message thread.
    */
    juce::Result loadMappingFromFile (MappingModel& model, const juce::File& file);

    /** The same, into the device host's model. */
    juce::Result loadMappingFromFile (Host::Impl& host, const juce::File& file);

    /** Checks a tree as the loader does: a "map" of a known DAW mode whose
        "controls" hold controls 1..7 with valid settings.
    */
    bool isValidMappingTree (const juce::ValueTree& map);
}

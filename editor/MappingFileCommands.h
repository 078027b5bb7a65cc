#pragma once

#include <juce_core/juce_core.h>

namespace NsDravel
{
    /** Saves the device host's current map to a mapping file, as the editor's
        "Save File" command does once the user has chosen the file; a failure is
        shown to the user in a warning box titled "Save Mapping". Message thread.
    */
    juce::Result saveMappingFileWithMessage (const juce::File& file);

    /** Loads a mapping file into the device host, as the editor's "Load File"
        command does once the user has chosen the file; a failure ("Could not load
        mapping data") is shown in a warning box titled "Load Mapping" and leaves
        the mapping as it was. Message thread.
    */
    juce::Result loadMappingFileWithMessage (const juce::File& file);

    /** Shows a failed result in an asynchronous warning box with the given title;
        a success shows nothing. Returns the result unchanged. Message thread.
    */
    juce::Result showMappingFileResult (const juce::String& title, const juce::Result& result);
}

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

    /** The file a mapping is saved under: the chosen file, with ".tavlo" added
        when its name has no extension. A name that has another extension keeps it.
    */
    juce::File withMappingFileExtension (const juce::File& chosen);

    /** The editor's "Save File" command: asks for a name, adds ".tavlo" when the
        name has no extension, asks before replacing a file of that final name,
        and saves the current mapping there (a failure is shown as by
        saveMappingFileWithMessage). Touches no component, so it is safe to call
        from one that may go while the dialogs run. Message thread; modal loops.
    */
    void runSaveFileCommand();

    /** The editor's "Load File" command: asks for a mapping file and loads it (a
        failure is shown as by loadMappingFileWithMessage). Returns true when a
        file was chosen, whether or not it loaded. Message thread; modal loop.
    */
    bool runLoadFileCommand();

    /** Shows a failed result in an asynchronous warning box with the given title;
        a success shows nothing. Returns the result unchanged. Message thread.
    */
    juce::Result showMappingFileResult (const juce::String& title, const juce::Result& result);
}

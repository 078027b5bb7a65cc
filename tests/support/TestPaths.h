#pragma once

#include <juce_core/juce_core.h>

/** Where the build put the program and its resources folder; for tests that
    start the real binary or read the laid-out resources. */
namespace testpaths
{
    inline juce::File programFile()   { return juce::File (TAVLO_BINARY); }
    inline juce::File buildFolder()   { return juce::File (TAVLO_BUILD_DIR); }
    inline juce::File sourceFolder()  { return juce::File (TAVLO_SOURCE_DIR); }
}

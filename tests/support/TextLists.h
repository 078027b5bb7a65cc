#pragma once

#include <juce_core/juce_core.h>
#include <string>
#include <vector>

namespace sim
{
    /** A list of texts as GoogleTest prints it readably, for comparisons
        whose failure should show the texts. */
    inline std::vector<std::string> texts (const juce::StringArray& list)
    {
        std::vector<std::string> result;

        for (auto& text : list)
            result.push_back (text.toStdString());

        return result;
    }
}

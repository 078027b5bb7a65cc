#pragma once

#include <juce_core/juce_core.h>
#include <string>
#include <vector>

namespace sim
{
    /** A list of texts as GoogleTest prints it readably, for comparisons
        whose failure should show the texts; nonEmpty leaves out the empty ones. */
    inline std::vector<std::string> texts (const juce::StringArray& list, bool nonEmpty = false)
    {
        std::vector<std::string> result;

        for (auto& text : list)
            if (! (nonEmpty && text.isEmpty()))
                result.push_back (text.toStdString());

        return result;
    }

    inline std::vector<std::string> nonEmpty (const juce::StringArray& list)  { return texts (list, true); }
}

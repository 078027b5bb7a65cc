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

    /** The list repeated. */
    inline std::vector<std::string> repeated (const std::vector<std::string>& list, int times)
    {
        std::vector<std::string> result;

        for (int i = 0; i < times; ++i)
            result.insert (result.end(), list.begin(), list.end());

        return result;
    }

    /** The list without its empty texts. */
    inline std::vector<std::string> nonEmpty (const juce::StringArray& list)
    {
        auto copy = list;
        copy.removeEmptyStrings (false);
        return texts (copy);
    }
}

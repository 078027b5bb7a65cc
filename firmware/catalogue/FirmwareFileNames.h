#pragma once

#include <juce_core/juce_core.h>

namespace halvik
{
    /** True when a firmware file's name fits the product: each product has a
        few wildcard patterns for the names of its images, tried with case
        ignored; a product without patterns (the unknown product 2000
        included) accepts any file. The name is usually given without its
        extension, lower-cased. Any thread. */
    bool firmwareFileMatchesProduct (const juce::String& fileName, int productId);
}

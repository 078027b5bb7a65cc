#pragma once

#include <juce_core/juce_core.h>

#include <memory>

/** The deepest element nesting that XML from outside may have. */
constexpr int maxUntrustedXmlDepth = 64;

/** Parses XML that comes from outside the program (mapping files, the firmware
    list). A strict parser checks the bytes first: at most maxBytes, valid UTF-8,
    well-formed, no DOCTYPE, no processing instruction, no attribute named
    "base64:...", nesting at most maxUntrustedXmlDepth. Only text that passes
    reaches JUCE's parser. Returns null for text it refuses.
    Any thread. */
std::unique_ptr<juce::XmlElement> parseUntrustedXml (const juce::MemoryBlock& bytes, size_t maxBytes);

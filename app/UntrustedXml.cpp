#include "app/UntrustedXml.h"

// Stand-in until the strict check is built: size limit and a DOCTYPE refusal only.
std::unique_ptr<juce::XmlElement> parseUntrustedXml (const juce::MemoryBlock& bytes, size_t maxBytes)
{
    if (bytes.getSize() > maxBytes)
        return {};

    const auto text = bytes.toString();

    if (text.containsIgnoreCase ("<!DOCTYPE") || text.containsIgnoreCase ("<!ENTITY"))
        return {};

    return juce::parseXML (text);
}

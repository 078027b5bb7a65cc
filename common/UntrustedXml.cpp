#include "common/UntrustedXml.h"

#include <expat.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>

namespace
{
    /** What expat's handlers learn while it reads the text. */
    struct StrictCheck
    {
        XML_Parser parser = nullptr;
        int depth = 0;
        bool refused = false;

        void refuse()
        {
            refused = true;
            XML_StopParser (parser, XML_FALSE);
        }
    };

    void XMLCALL startElement (void* userData, const XML_Char*, const XML_Char** attributes)
    {
        auto& check = *static_cast<StrictCheck*> (userData);

        // Counted here, before JUCE's reader, which descends recursively and
        // slows down badly with depth.
        if (++check.depth > maxUntrustedXmlDepth)
            check.refuse();

        // Value trees read an attribute named "base64:..." as binary data whose
        // size the text states: "-1." or "2147483647." allocate all memory.
        // The program never writes such a name. (JUCE reads the same names or
        // shorter ones that stop at an error, so none can slip past here.)
        for (auto name = attributes; *name != nullptr; name += 2)
            if (std::strncmp (*name, "base64:", 7) == 0)
                check.refuse();
    }

    void XMLCALL endElement (void* userData, const XML_Char*)
    {
        --static_cast<StrictCheck*> (userData)->depth;
    }

    // A document type brings entity declarations with it, and JUCE's reader
    // follows those (nested ones blow up, external ones read other files). The
    // program's own files never carry one.
    void XMLCALL startDoctype (void* userData, const XML_Char*, const XML_Char*, const XML_Char*, int)
    {
        static_cast<StrictCheck*> (userData)->refuse();
    }

    // JUCE's reader loops for ever on text that follows a processing
    // instruction inside an element. Neither the mapping files nor the
    // firmware list carry any; the XML declaration is not one.
    void XMLCALL processingInstruction (void* userData, const XML_Char*, const XML_Char*)
    {
        static_cast<StrictCheck*> (userData)->refuse();
    }

    struct ParserFree
    {
        void operator() (XML_Parser parser) const   { XML_ParserFree (parser); }
    };

    bool isStrictlyWellFormed (const juce::uint8* text, size_t size)
    {
        // The encoding is fixed to UTF-8 whatever the document declares: that is
        // how its text reaches JUCE. expat then refuses every byte sequence
        // that is not strict UTF-8 (overlong forms, surrogates, code points past
        // U+10FFFF, bytes that start nothing) and NUL, wherever it stands.
        std::unique_ptr<std::remove_pointer_t<XML_Parser>, ParserFree> parser (XML_ParserCreate ("UTF-8"));

        if (parser == nullptr)
            return false;

        StrictCheck check;
        check.parser = parser.get();

        XML_SetUserData (parser.get(), &check);
        XML_SetElementHandler (parser.get(), startElement, endElement);
        XML_SetStartDoctypeDeclHandler (parser.get(), startDoctype);
        XML_SetProcessingInstructionHandler (parser.get(), processingInstruction);
        XML_SetParamEntityParsing (parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);

        // expat takes an int length; the text goes in slices.
        constexpr size_t sliceSize = 1 << 16;
        size_t offset = 0;

        do
        {
            const auto length = std::min (sliceSize, size - offset);
            const auto isFinal = offset + length == size;

            if (XML_Parse (parser.get(), reinterpret_cast<const char*> (text + offset), (int) length,
                           isFinal ? XML_TRUE : XML_FALSE) != XML_STATUS_OK)
                return false;

            offset += length;
        }
        while (offset < size);

        return ! check.refused;
    }
}

std::unique_ptr<juce::XmlElement> parseUntrustedXml (const juce::MemoryBlock& bytes, size_t maxBytes)
{
    const auto size = bytes.getSize();

    if (size > maxBytes || size > (size_t) std::numeric_limits<int>::max())
        return {};

    const auto* text = static_cast<const juce::uint8*> (bytes.getData());

    if (! isStrictlyWellFormed (text, size))
        return {};

    // The byte order mark has done its work; JUCE's reader does not need it.
    size_t start = 0;

    if (size >= 3 && text[0] == 0xEF && text[1] == 0xBB && text[2] == 0xBF)
        start = 3;

    return juce::parseXML (juce::String::fromUTF8 (reinterpret_cast<const char*> (text + start), (int) (size - start)));
}

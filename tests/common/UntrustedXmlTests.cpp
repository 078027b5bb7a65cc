#include <gtest/gtest.h>

#include "common/UntrustedXml.h"

namespace
{
    std::string repeated (const char* piece, int times)
    {
        return juce::String::repeatedString (piece, times).toStdString();
    }

    // depth elements, each inside the one before.
    std::string nested (int depth)
    {
        return repeated ("<a>", depth) + repeated ("</a>", depth);
    }

    std::unique_ptr<juce::XmlElement> parse (const std::string& text, size_t maxBytes = 1024 * 1024)
    {
        return parseUntrustedXml ({ text.data(), text.size() }, maxBytes);
    }
}

TEST (UntrustedXml, WellFormedTextArrivesAsJuceElements)
{
    const auto xml = parse ("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                            "<!-- a list --><list><entry pid=\"4131\" name=\"Dravel 61 &amp; &#xE9;\xC3\xA9\"/>"
                            "<![CDATA[<raw>]]></list>");

    ASSERT_NE (xml, nullptr);
    EXPECT_TRUE (xml->hasTagName ("list"));
    ASSERT_NE (xml->getChildByName ("entry"), nullptr);
    EXPECT_EQ (xml->getChildByName ("entry")->getIntAttribute ("pid"), 4131);
    EXPECT_EQ (xml->getChildByName ("entry")->getStringAttribute ("name"),
               juce::String (juce::CharPointer_UTF8 ("Dravel 61 & \xC3\xA9\xC3\xA9")));
    EXPECT_EQ (xml->getAllSubText(), "<raw>");
}

TEST (UntrustedXml, NestingAndSizeAreAllowedUpToTheirLimitsAndNoFurther)
{
    EXPECT_NE (parse (nested (maxUntrustedXmlDepth)), nullptr);
    EXPECT_EQ (parse (nested (maxUntrustedXmlDepth + 1)), nullptr);

    // Depth is nesting, not the number of elements.
    EXPECT_NE (parse ("<map>" + repeated ("<a/>", 28000) + "</map>"), nullptr);

    // The size limit is on the whole text.
    const auto text = "<a>" + repeated ("x", 93) + "</a>";
    ASSERT_EQ (text.size(), 100u);

    EXPECT_NE (parse (text, 100), nullptr);
    EXPECT_EQ (parse (text, 99), nullptr);
}

TEST (UntrustedXml, TextThatIsNotPlainWellFormedUtf8XmlIsRefused)
{
    const std::pair<const char*, std::string> refused[]
    {
        { "nothing",                          "" },
        { "a processing instruction with no target, then text", "<p><??>x" },
        { "28,000 unclosed nested elements",   "<map>" + repeated ("<a>", 28000) },
        { "a character reference cut short",  "<m>&#x" },
        { "16,000 nested levels",             nested (16000) },
        { "text after the root",              "<a/>trailing" },
        { "a comment after the root never closed", "<a/><!--" },
        { "two roots",                        "<a/><b/>" },
        { "a bare ampersand",                 "<a>fish & chips</a>" },
        { "an unknown entity",                "<a>&nbsp;</a>" },
        { "a reference to character zero",    "<a>&#0;</a>" },
        { "a reference past Unicode",         "<a>&#x110000;</a>" },
        { "a duplicate attribute",            "<a x=\"1\" x=\"2\"/>" },
        { "a document type",                  "<!DOCTYPE a><a/>" },
        { "an external entity",               "<!DOCTYPE a [<!ENTITY e SYSTEM \"/etc/passwd\">]><a>&e;</a>" },
        { "a lone continuation byte",         "<a>\x80</a>" },
        { "an overlong slash",                "<a>\xC0\xAF</a>" },
        { "an encoded surrogate",             "<a>\xED\xA0\x80</a>" },
        { "a sequence cut short",             "<a>\xE2\x82</a>" },
        { "an overlong three-byte form",      "<a>\xE0\x80\xAF</a>" },
        { "a surrogate in an attribute",      "<a x=\"\xED\xBF\xBF\"/>" },
        { "a code point past U+10FFFF",       "<a>\xF4\x90\x80\x80</a>" },
        { "a byte that starts nothing",       "<a>\xF5\x80\x80\x80</a>" },
        { "an invalid byte in a comment",     "<a><!--\xFF--></a>" },
        { "UTF-16",                           std::string ("\xFF\xFE<\0a\0/\0>\0", 10) },
        { "a NUL byte",                       std::string ("<a>\0</a>", 8) },
        // JUCE's reader loops for ever on text after a processing instruction,
        // and value trees decode attributes named base64:... with a size the
        // text gives; neither file format has either.
        { "a processing instruction, then text",           "<a ><?m?>F;</a>" },
        { "a processing instruction, a comment and text",  "<map><controls><?pi x?><!--c-->text</controls></map>" },
        { "a processing instruction before the root",      "<?xml version=\"1.0\"?><?m?><a/>" },
        { "a base64 attribute of size -1",                 "<a base64:x=\"-1.\"/>" },
        { "a base64 attribute of 2 GB",                    "<a><b base64:x=\"2147483647.\"/></a>" },
    };

    for (auto& [what, text] : refused)
        EXPECT_EQ (parse (text), nullptr) << what;
}

#include "firmware/list/FirmwareDownload.h"

#include "common/VerifiedFileWrite.h"
#include "firmware/UpgraderPaths.h"
#include "firmware/list/ServerRead.h"

namespace halvik
{
    namespace
    {
        /** True for UTF-8 as it should be: no cut or overlong sequence, no
            surrogate, nothing past U+10FFFF. */
        bool isValidUtf8 (const juce::uint8* bytes, size_t size)
        {
            for (size_t i = 0; i < size;)
            {
                const auto lead = bytes[i];
                const int extra = lead < 0x80 ? 0 : lead < 0xC2 ? -1 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : lead < 0xF5 ? 3 : -1;

                if (extra < 0 || size - i <= (size_t) extra)
                    return false;

                juce::uint32 codePoint = lead & (0x7Fu >> (extra == 0 ? 0 : extra + 1));

                for (int k = 1; k <= extra; ++k)
                {
                    if ((bytes[i + (size_t) k] & 0xC0) != 0x80)
                        return false;

                    codePoint = (codePoint << 6) | (bytes[i + (size_t) k] & 0x3Fu);
                }

                const juce::uint32 smallest[] { 0, 0x80, 0x800, 0x10000 };

                if (codePoint < smallest[extra] || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
                    return false;

                i += (size_t) extra + 1;
            }

            return true;
        }

        /** The name with its escapes turned into bytes ("+" a blank, as JUCE
            unescapes it); empty when the bytes are not UTF-8 or hold a control
            character. JUCE's own unescaping trusts the bytes to be UTF-8 and
            reads past the end of a cut sequence. */
        juce::String unescapeName (const juce::String& escaped)
        {
            const auto* text = escaped.toRawUTF8();
            const auto length = escaped.getNumBytesAsUTF8();
            juce::MemoryOutputStream bytes;

            for (size_t i = 0; i < length; ++i)
            {
                auto byte = (juce::uint8) text[i];
                const int high = i + 2 < length ? juce::CharacterFunctions::getHexDigitValue ((juce::uint8) text[i + 1]) : -1;
                const int low  = i + 2 < length ? juce::CharacterFunctions::getHexDigitValue ((juce::uint8) text[i + 2]) : -1;

                if (byte == '%' && high >= 0 && low >= 0)
                {
                    byte = (juce::uint8) (high * 16 + low);
                    i += 2;
                }
                else if (byte == '+')
                {
                    byte = ' ';
                }

                if (byte < 0x20 || byte == 0x7F)
                    return {};

                bytes.writeByte ((char) byte);
            }

            // Checked in a block of its exact size: the stream keeps spare
            // room after its data, where a read past the end would go unseen.
            const auto name = bytes.getMemoryBlock();

            if (! isValidUtf8 (static_cast<const juce::uint8*> (name.getData()), name.getSize()))
                return {};

            return juce::String::fromUTF8 (static_cast<const char*> (name.getData()), (int) name.getSize());
        }

        /** True for an answer that is a web page (a proxy's error page, say),
            which can come with status 200: labelled as text, or markup after
            blanks or a byte-order mark. */
        bool isAWebPage (const juce::MemoryBlock& body, const juce::String& contentType)
        {
            if (contentType.trimStart().startsWithIgnoreCase ("text/"))
                return true;

            const auto* byte = static_cast<const juce::uint8*> (body.getData());
            const auto* end = byte + body.getSize();

            if (end - byte >= 3 && byte[0] == 0xEF && byte[1] == 0xBB && byte[2] == 0xBF)
                byte += 3;

            while (byte != end && (*byte == ' ' || *byte == '\t' || *byte == '\r' || *byte == '\n'))
                ++byte;

            return byte != end && *byte == '<';
        }
    }

    juce::String getDownloadFileName (const juce::URL& url)
    {
        const auto name = unescapeName (url.getFileName());

        if (name.trim().isEmpty() || name == "." || name == ".."
             || name.containsAnyOf ("/\\:"))
            return {};

        return name;
    }

    juce::Result downloadFirmwareImageTo (const juce::URL& url, const juce::File& target, int timeoutMs, int deadlineMs)
    {
        ServerAnswer answer;
        const auto read = readFromServer (url, maxFirmwareImageBytes, timeoutMs, deadlineMs, answer);

        if (read.failed())
            return read;

        const auto& image = answer.body;

        if (image.isEmpty())
            return juce::Result::fail ("The server sent an empty file");

        if (isAWebPage (image, answer.contentType))
            return juce::Result::fail ("The server sent a web page instead of a firmware image");

        // The image takes the target's place only once all of it is on the
        // disk: a full disk never leaves a cut image that a unit could be
        // given, and a link at the target is replaced, not written through.
        return writeFileVerified (target, image.getData(), image.getSize());
    }

    FirmwareDownloadResult downloadFirmwareImage (const juce::URL& url, const juce::File& folder, int timeoutMs, int deadlineMs)
    {
        FirmwareDownloadResult download;

        if (folder == juce::File())
        {
            download.result = juce::Result::fail (noUpgraderFolderText);
            return download;
        }

        const auto name = getDownloadFileName (url);

        if (name.isEmpty())
        {
            download.result = juce::Result::fail ("The server's file name cannot be used: \"" + url.getFileName() + "\"");
            download.file = folder;
            return download;
        }

        download.file = folder.getChildFile (name);

        if (download.file.getParentDirectory() != folder)
        {
            download.result = juce::Result::fail ("The server's file name cannot be used: \"" + name + "\"");
            download.file = folder;
            return download;
        }

        const auto folderMade = folder.createDirectory();

        if (folderMade.failed())
        {
            download.result = folderMade;
            return download;
        }

        download.result = downloadFirmwareImageTo (url, download.file, timeoutMs, deadlineMs);
        return download;
    }
}

#include "support/FlashToolStandIn.h"

namespace sim
{

namespace
{
    constexpr juce::int64 flashBase = 0x60000000;
    constexpr juce::int64 flashSize = 4 * 1024 * 1024;

    juce::String unescapeLogged (const juce::String& text)
    {
        juce::String result;

        for (int i = 0; i < text.length(); ++i)
        {
            auto c = text[i];

            if (c == '\\' && i + 1 < text.length())
            {
                const auto next = text[++i];
                c = next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
            }

            result << juce::String::charToString (c);
        }

        return result;
    }
}

FlashToolStandIn::FlashToolStandIn()
{
    environment.set ("TAVLO_FLASH_STANDIN_STATE", state.get().getFullPathName());
    environment.set ("TAVLO_FLASH_TOOL", toolFile().getFullPathName());
}

juce::File FlashToolStandIn::toolFile()
{
    return juce::File (TAVLO_FLASH_TOOL_STANDIN);
}

void FlashToolStandIn::setSwitch (const juce::String& name, const juce::String& content)
{
    state.get().getChildFile (name).replaceWithText (content, false, false, "\n");
}

void FlashToolStandIn::clearSwitch (const juce::String& name)
{
    state.get().getChildFile (name).deleteFile();
}

std::vector<juce::StringArray> FlashToolStandIn::runs() const
{
    juce::StringArray lines;
    state.get().getChildFile ("runs.log").readLines (lines);
    lines.removeEmptyStrings (false);

    std::vector<juce::StringArray> result;

    for (auto& line : lines)
    {
        juce::StringArray arguments;

        for (auto& argument : juce::StringArray::fromTokens (line, "\t", {}))
            arguments.add (unescapeLogged (argument));

        result.push_back (arguments);
    }

    return result;
}

juce::StringArray FlashToolStandIn::describeRuns() const
{
    juce::StringArray described;

    for (auto& run : runs())
        described.add (run.joinIntoString (" "));

    return described;
}

juce::MemoryBlock FlashToolStandIn::flashBytes (juce::int64 address, size_t count) const
{
    juce::MemoryBlock flash;
    state.get().getChildFile ("flash.bin").loadFileAsData (flash);

    if ((juce::int64) flash.getSize() != flashSize)
    {
        flash.setSize ((size_t) flashSize);
        flash.fillWith (0xFF);
    }

    juce::MemoryBlock bytes (count);
    flash.copyTo (bytes.getData(), (int) (address - flashBase), count);
    return bytes;
}

void FlashToolStandIn::putFlashBytes (juce::int64 address, const juce::MemoryBlock& bytes)
{
    auto flash = flashBytes (flashBase, (size_t) flashSize);
    flash.copyFrom (bytes.getData(), (int) (address - flashBase), bytes.getSize());
    state.get().getChildFile ("flash.bin").replaceWithData (flash.getData(), flash.getSize());
}

int FlashToolStandIn::hungProcessId() const
{
    const auto file = state.get().getChildFile ("hang.pid");
    return file.existsAsFile() ? file.loadFileAsString().trim().getIntValue() : -1;
}

int FlashToolStandIn::helperProcessId() const
{
    const auto file = state.get().getChildFile ("helper.pid");
    return file.existsAsFile() ? file.loadFileAsString().trim().getIntValue() : -1;
}

} // namespace sim

#include "support/ScriptedPrompts.h"

namespace sim
{

ScriptedPrompts::ScriptedPrompts()
    : previous (halvik::UpgraderPrompts::setCurrent (this))
{
}

ScriptedPrompts::~ScriptedPrompts()
{
    halvik::UpgraderPrompts::setCurrent (previous);
}

std::vector<ScriptedPrompts::Shown> ScriptedPrompts::ofKind (const juce::String& kind) const
{
    std::vector<Shown> found;

    for (auto& entry : shown)
        if (entry.kind == kind)
            found.push_back (entry);

    return found;
}

juce::StringArray ScriptedPrompts::messages() const
{
    juce::StringArray texts;

    for (auto& entry : ofKind ("message"))
        texts.add (entry.message);

    return texts;
}

bool ScriptedPrompts::askOkCancel (juce::MessageBoxIconType icon, const juce::String& title,
                                   const juce::String& message, const juce::String& okText,
                                   const juce::String& cancelText)
{
    shown.push_back ({ "okCancel", icon, title, message, { okText, cancelText } });

    if (okCancelAnswers.empty())
        return true;

    const auto answer = okCancelAnswers.front();
    okCancelAnswers.pop_front();
    return answer;
}

int ScriptedPrompts::askChoice (juce::MessageBoxIconType icon, const juce::String& title,
                                const juce::String& message, const juce::StringArray& buttonTexts,
                                const juce::Array<int>&)
{
    shown.push_back ({ "choice", icon, title, message, buttonTexts });

    if (choiceAnswers.empty())
        return 0;

    const auto answer = choiceAnswers.front();
    choiceAnswers.pop_front();
    return answer;
}

void ScriptedPrompts::showMessage (juce::MessageBoxIconType icon, const juce::String& title,
                                   const juce::String& message)
{
    shown.push_back ({ "message", icon, title, message, {} });
}

int ScriptedPrompts::runDialog (juce::Component& content, const juce::String& title,
                                juce::Component*, bool)
{
    shown.push_back ({ "dialog", juce::MessageBoxIconType::NoIcon, title, {}, {} });
    return dialogAnswer != nullptr ? dialogAnswer (content, title) : 0;
}

juce::File ScriptedPrompts::chooseFileToOpen (const juce::String& title, const juce::File&,
                                              const juce::String& patterns)
{
    shown.push_back ({ "file", juce::MessageBoxIconType::NoIcon, title, patterns, {} });

    if (fileAnswers.empty())
        return {};

    auto answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

} // namespace sim

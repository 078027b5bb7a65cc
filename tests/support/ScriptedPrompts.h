#pragma once

#include "firmware/window/UpgraderPrompts.h"

#include <deque>
#include <functional>
#include <vector>

namespace sim
{

/** The upgrader's prompts answered by a script, for tests. Constructing one
    installs it; destroying it puts the previous prompts back. Everything shown
    is recorded in order. Message thread only. */
class ScriptedPrompts final : public halvik::UpgraderPrompts
{
public:
    ScriptedPrompts() : previous (halvik::UpgraderPrompts::setCurrent (this)) {}
    ~ScriptedPrompts() override  { halvik::UpgraderPrompts::setCurrent (previous); }

    /** One box, question, dialog or file chooser that the upgrader showed. */
    struct Shown
    {
        juce::String kind;                 // "okCancel", "choice", "message", "dialog", "file"
        juce::MessageBoxIconType icon = juce::MessageBoxIconType::NoIcon;
        juce::String title;
        juce::String message;              // for files: the wildcard patterns
        juce::StringArray buttons;
    };

    std::vector<Shown> shown;

    /** Answers to the questions, in order; when empty, the first button ("OK"). */
    std::deque<bool> okCancelAnswers;

    /** Answers to the button choices (the value returned), in order; when empty, 0. */
    std::deque<int> choiceAnswers;

    /** Answers a dialog: gets the content and the title, returns the modal
        result. When not set, a dialog returns 0 (closed). */
    std::function<int (juce::Component& content, const juce::String& title)> dialogAnswer;

    /** Files chosen, in order; when empty, the chooser is cancelled. */
    std::deque<juce::File> fileAnswers;

    /** The shown entries of one kind. */
    std::vector<Shown> ofKind (const juce::String& kind) const
    {
        std::vector<Shown> found;

        for (auto& entry : shown)
            if (entry.kind == kind)
                found.push_back (entry);

        return found;
    }

    /** The titles, and the messages, of the entries of one kind (boxes unless told), in order. */
    juce::StringArray titlesOf (const juce::String& kind) const                    { return fieldOf (kind, &Shown::title); }
    juce::StringArray messages (const juce::String& kind = "message") const       { return fieldOf (kind, &Shown::message); }

    bool askOkCancel (juce::MessageBoxIconType icon, const juce::String& title, const juce::String& message,
                      const juce::String& okText, const juce::String& cancelText) override
    {
        shown.push_back ({ "okCancel", icon, title, message, { okText, cancelText } });
        return next (okCancelAnswers, true);
    }

    int askChoice (juce::MessageBoxIconType icon, const juce::String& title, const juce::String& message,
                   const juce::StringArray& buttonTexts, const juce::Array<int>&) override
    {
        shown.push_back ({ "choice", icon, title, message, buttonTexts });
        return next (choiceAnswers, 0);
    }

    void showMessage (juce::MessageBoxIconType icon, const juce::String& title, const juce::String& message) override
    {
        shown.push_back ({ "message", icon, title, message, {} });
    }

    void showMessageAndWait (juce::MessageBoxIconType icon, const juce::String& title, const juce::String& message) override
    {
        showMessage (icon, title, message);
    }

    int runDialog (juce::Component& content, const juce::String& title, juce::Component*, bool) override
    {
        shown.push_back ({ "dialog", juce::MessageBoxIconType::NoIcon, title, {}, {} });
        return dialogAnswer != nullptr ? dialogAnswer (content, title) : 0;
    }

    juce::File chooseFileToOpen (const juce::String& title, const juce::File&, const juce::String& patterns) override
    {
        shown.push_back ({ "file", juce::MessageBoxIconType::NoIcon, title, patterns, {} });
        return next (fileAnswers, juce::File());
    }

private:
    template <typename Answer>
    static Answer next (std::deque<Answer>& answers, Answer otherwise)
    {
        if (answers.empty())
            return otherwise;

        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }

    juce::StringArray fieldOf (const juce::String& kind, juce::String Shown::* field) const
    {
        juce::StringArray found;

        for (auto& entry : ofKind (kind))
            found.add (entry.*field);

        return found;
    }

    halvik::UpgraderPrompts* previous = nullptr;

    JUCE_DECLARE_NON_COPYABLE (ScriptedPrompts)
};

} // namespace sim

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
    ScriptedPrompts();
    ~ScriptedPrompts() override;

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
    std::vector<Shown> ofKind (const juce::String& kind) const;

    /** The messages of the boxes shown ("message" kind), in order. */
    juce::StringArray messages() const;

    bool askOkCancel (juce::MessageBoxIconType icon, const juce::String& title,
                      const juce::String& message, const juce::String& okText,
                      const juce::String& cancelText) override;
    int askChoice (juce::MessageBoxIconType icon, const juce::String& title,
                   const juce::String& message, const juce::StringArray& buttonTexts,
                   const juce::Array<int>& buttonValues) override;
    void showMessage (juce::MessageBoxIconType icon, const juce::String& title,
                      const juce::String& message) override;
    int runDialog (juce::Component& content, const juce::String& title,
                   juce::Component* centreAround, bool escapeCloses) override;
    juce::File chooseFileToOpen (const juce::String& title, const juce::File& initialFile,
                                 const juce::String& patterns) override;

private:
    halvik::UpgraderPrompts* previous = nullptr;

    JUCE_DECLARE_NON_COPYABLE (ScriptedPrompts)
};

} // namespace sim

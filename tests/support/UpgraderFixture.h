#pragma once

#include "support/FlashToolStandIn.h"
#include "support/MessageLoop.h"
#include "support/SimulatedUnit.h"

#include "firmware/UpgraderPaths.h"
#include "firmware/UpgraderState.h"
#include "firmware/catalogue/ProductCatalogue.h"
#include "firmware/host/HostProcessor.h"
#include "firmware/midi/UpgraderMidiHandler.h"
#include "firmware/window/FirmwareUpgradeComponent.h"
#include "firmware/window/UpgraderDialogWindow.h"
#include "firmware/window/UpgraderPrompts.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <vector>

// What the upgrader's tests stand on: prompts answered by a script, the upgrade
// window as its steps run it, a user in front of its choosers, and the fixtures.
namespace sim
{

/** A list of texts as GoogleTest prints it readably, for comparisons
    whose failure should show the texts; nonEmpty leaves out the empty ones. */
inline std::vector<std::string> texts (const juce::StringArray& list, bool nonEmpty = false)
{
    std::vector<std::string> result;

    for (auto& text : list)
        if (! (nonEmpty && text.isEmpty()))
            result.push_back (text.toStdString());

    return result;
}

inline std::vector<std::string> nonEmpty (const juce::StringArray& list)  { return texts (list, true); }

/** Which of the window's five step buttons are enabled, as "11100". */
inline juce::String enabledButtons (halvik::FirmwareUpgradeComponent& window)
{
    juce::String pattern;

    for (int i = 0; i < halvik::stepCount; ++i)
        pattern << (window.getStepButton (i).isEnabled() ? "1" : "0");

    return pattern;
}

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
    juce::StringArray titlesOf (const juce::String& kind) const               { return fieldOf (kind, &Shown::title); }
    juce::StringArray messages (const juce::String& kind = "message") const  { return fieldOf (kind, &Shown::message); }

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

    void showMessageOverNextDialog (juce::MessageBoxIconType icon, const juce::String& title,
                                    const juce::String& message) override
    {
        showMessage (icon, title, message);
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

/** A fresh upgrade window for one test or row, inside a dialog that never
    reaches the screen, so that its steps run headless, or, when asked, inside
    the program's own dialog on the screen with the keyboard focus, as the
    upgrader shows it; with every title the dialog shows recorded: the steps
    show their status texts there, and the flashing tool its notices. Each
    step waits to be pressed (no auto-advance). What the scripted prompts
    showed before it is forgotten. Message thread. */
class StepWindow final : private juce::ComponentListener
{
public:
    enum class Screen { off, on };

    explicit StepWindow (int productId, bool useServerList = true, Screen screen = Screen::off)
        : window (productId, useServerList)
    {
        halvik::autoAdvance = false;

        if (auto* scripted = dynamic_cast<ScriptedPrompts*> (&halvik::UpgraderPrompts::getCurrent()))
            scripted->shown.clear();

        if (screen == Screen::on)
        {
            dialog = std::make_unique<halvik::UpgraderDialogWindow> ("Firmware Upgrade", window, nullptr, false);
            dialog->setVisible (true);
            window.grabKeyboardFocus();
        }
        else
        {
            dialog = std::make_unique<juce::DialogWindow> ("Firmware Upgrade", juce::Colours::lightgrey, false, false);
            dialog->setContentNonOwned (&window, true);
        }

        dialog->addComponentListener (this);
    }

    ~StepWindow() override
    {
        dialog->removeComponentListener (this);
        dialog->clearContentComponent();
    }

    halvik::FirmwareUpgradeComponent* operator->() noexcept  { return &window; }

    /** The title the dialog showed last. */
    juce::String title() const
    {
        return shownTitles.isEmpty() ? dialog->getName() : shownTitles[shownTitles.size() - 1];
    }

    /** The text after the window title (and its ": ") of every title shown,
        in order, the same title shown again too; a title without a status
        gives an empty text. */
    juce::StringArray statusTexts() const
    {
        juce::StringArray texts;

        for (auto& shown : shownTitles)
            texts.add (shown.fromFirstOccurrenceOf (": ", false, false));

        return texts;
    }

    /** Escape typed into the window, as the user would. */
    void pressEscape()  { window.keyPressed (juce::KeyPress (juce::KeyPress::escapeKey)); }

    /** Escape typed on the keyboard while the dialog on the screen has the
        window system's focus, as the display hands it over: to the component
        that holds JUCE's keyboard focus, or else to the dialog's window. */
    void typeEscape()   { dialog->getPeer()->handleKeyPress (juce::KeyPress (juce::KeyPress::escapeKey)); }

    /** Which step buttons are enabled, as "11100". */
    juce::String enabledButtons()  { return sim::enabledButtons (window); }

private:
    void componentNameChanged (juce::Component&) override
    {
        if (forgettingTitle)
            return;

        shownTitles.add (dialog->getName());

        // Forgotten at once, so that the same title shown again is seen again.
        const juce::ScopedValueSetter<bool> forgetting (forgettingTitle, true);
        dialog->setName ("(recorded)");
    }

    halvik::FirmwareUpgradeComponent window;
    std::unique_ptr<juce::DialogWindow> dialog;
    juce::StringArray shownTitles;
    bool forgettingTitle = false;

    JUCE_DECLARE_NON_COPYABLE (StepWindow)
};

/** A user in front of one of the upgrader's choosers (device or firmware),
    also as a ScriptedPrompts dialog answer (std::ref keeps the count). The
    chooser runs in the program's own modal dialog. Once the chooser's own
    queued clicks are through (its "OK" when it confirms itself), a dialog
    that still waits counts as one wait, and the user picks the entry and
    clicks the button; a dialog that refused the click is then closed, so it
    answers 0. Message thread. */
struct ChooserUser
{
    int entry = -1;                       // by position; -1 keeps the chooser's own choice
    juce::String button { "OK" };
    int waits = 0;

    int operator() (juce::Component& chooser, const juce::String& title = "Chooser")
    {
        // Only while the dialog waits is this call, and so this user, still there.
        juce::MessageManager::callAsync ([this, safe = Safe (&chooser)]
        {
            if (waitingDialogOf (safe) != nullptr)
                act (safe);
        });

        return halvik::UpgraderDialogWindow::runModal (chooser, title, nullptr, true);
    }

private:
    using Safe = juce::Component::SafePointer<juce::Component>;

    static juce::DialogWindow* waitingDialogOf (juce::Component* chooser)
    {
        auto* dialog = chooser != nullptr ? chooser->findParentComponentOfClass<juce::DialogWindow>() : nullptr;
        return dialog != nullptr && dialog->isCurrentlyModal() ? dialog : nullptr;
    }

    void act (Safe chooser)
    {
        ++waits;

        if (entry >= 0)
            for (auto* child : chooser->getChildren())
                if (auto* list = dynamic_cast<juce::ComboBox*> (child))
                    list->setSelectedItemIndex (entry, juce::sendNotificationSync);

        testsupport::findButton (*chooser, button)->triggerClick();

        // The click arrives as a message after this one; two hops later the
        // dialog has either ended or refused.
        juce::MessageManager::callAsync ([chooser] { juce::MessageManager::callAsync ([chooser]
        {
            if (auto* dialog = waitingDialogOf (chooser))
                dialog->closeButtonPressed();
        }); });
    }
};

/** A test of the upgrader's windows, choosers and look-ups: its process-wide
    flags as at program start (and put back afterwards), simulated MIDI ports
    whose pauses are only recorded, and prompts answered by a script. */
class UpgraderFixture : public ::testing::Test
{
protected:
    UpgraderFixture()            { halvik::resetUpgraderState(); }
    ~UpgraderFixture() override  { halvik::resetUpgraderState(); }

    SimulatedMidiPorts ports;
    ScriptedPrompts prompts;
};

/** A test of the tool family's flashing: as UpgraderFixture, with the
    upgrader's data folder in a temporary folder and the flashing-tool
    stand-in, a fresh simulated unit, as the tool. */
class ToolFamilyFixture : public UpgraderFixture
{
protected:
    ToolFamilyFixture()  { halvik::flashToolPath = FlashToolStandIn::toolFile().getFullPathName(); }

    /** The folder that staged images and read-back files go to. */
    juce::File stagingFolder() const  { return halvik::getUpgraderDataFolder().getChildFile ("local"); }

    /** Writes an image file of that many pseudo-random bytes into the test's
        own folder and returns its path. */
    juce::String makeImage (const juce::String& fileName, int size, juce::int64 seed = 1) const
    {
        const auto bytes = randomBytes ((size_t) size, seed);

        // Joined as text: getChildFile takes a name such as "~x" for a path of its own.
        const juce::File file (images.get().getFullPathName() + "/" + fileName);
        file.replaceWithData (bytes.getData(), bytes.getSize());
        file.create();   // an empty image too: replaceWithData deletes the file for 0 bytes
        return file.getFullPathName();
    }

    /** What may stand where an image is expected: no regular file, or one
        that never ends although it says it is empty. */
    enum class NotAnImage { fifo, linkToDevZero, linkToEndlessFile };

    /** Puts one into the test's own folder under the name and returns its path. */
    juce::String makeNotAnImage (const juce::String& fileName, NotAnImage kind) const
    {
        const juce::File file (images.get().getFullPathName() + "/" + fileName);
        file.deleteFile();

        if (kind == NotAnImage::fifo)
            EXPECT_EQ (::mkfifo (file.getFullPathName().toRawUTF8(), 0600), 0) << fileName;
        else if (kind == NotAnImage::linkToDevZero)
            EXPECT_TRUE (juce::File ("/dev/zero").createSymbolicLink (file, true)) << fileName;
        else
            EXPECT_TRUE (juce::File ("/proc/self/pagemap").createSymbolicLink (file, true)) << fileName;

        return file.getFullPathName();
    }

    static juce::MemoryBlock randomBytes (size_t size, juce::int64 seed)
    {
        juce::MemoryBlock bytes (size);
        juce::Random (seed).fillBitsRandomly (bytes.getData(), bytes.getSize());
        return bytes;
    }

    static juce::MemoryBlock contentOf (const juce::String& path)
    {
        juce::MemoryBlock bytes;
        juce::File (path).loadFileAsData (bytes);
        return bytes;
    }

    /** The protocol pauses taken so far, in milliseconds. */
    std::vector<double> pausesMs() const
    {
        std::vector<double> pauses;

        for (auto& event : ports.timeline())
            if (event.isPause)
                pauses.push_back (event.microseconds / 1000.0);

        return pauses;
    }

    TempFolder dataHome, images;
    ScopedEnvironment dataHomeVariable { "XDG_DATA_HOME", dataHome.get().getFullPathName() };
    FlashToolStandIn tool;
};

/** A test of the upgrade window's steps: as ToolFamilyFixture, with every
    pause and reply wait on a virtual clock that the simulated MIDI units act
    on too, and a host processor that no product refuses, whatever the
    machine's own. */
class UpgradeStepsFixture : public ToolFamilyFixture
{
protected:
    UpgradeStepsFixture()
    {
        ports.setClock (&clock);
        halvik::setHostCpuModelForTesting ("Intel(R) Core(TM) i7-9700 CPU @ 3.00GHz");
    }

    ~UpgradeStepsFixture() override
    {
        units.clear();
        ports.setClock (nullptr);
        halvik::setHostCpuModelForTesting ({});
    }

    /** A MIDI unit plugged into the simulated ports, acting on the clock. */
    SimulatedUnit& addUnit (SimulatedUnit::Options options)
    {
        units.push_back (std::make_unique<SimulatedUnit> (ports, clock, std::move (options)));
        return *units.back();
    }

    /** A unit under the port names ALSA gives it ("<model> MIDI 1", and
        "<model> MIDI 2" with a second port), in its normal mode unless
        inUpgradeMode. */
    static SimulatedUnit::Options linuxUnit (const juce::String& model, int productId,
                                                    bool secondPort = false, bool inUpgradeMode = false)
    {
        SimulatedUnit::Options options;
        options.model = model;
        options.productId = productId;
        options.naming = SimulatedUnit::Naming::linux;
        options.hasSecondPort = secondPort;
        options.startsInUpgradeMode = inUpgradeMode;
        return options;
    }

    /** An upgrade window as Start, Enter and Activate leave it: the unit found
        with that version (the tool family keeps it as text, the MIDI families
        as a number), a MIDI unit's upgrade port open when one is given, and
        with an image also as Select leaves it. */
    std::unique_ptr<halvik::FirmwareUpgradeComponent> readyWindow (int productId, const juce::String& unitVersion,
                                                                   SimulatedUnit* unit = nullptr,
                                                                   const juce::String& image = {}, bool serverList = true)
    {
        auto window = std::make_unique<halvik::FirmwareUpgradeComponent> (productId, serverList);
        window->deviceReplyText = unitVersion;
        window->startVersion = unitVersion.getFloatValue();
        window->setStep (3);
        halvik::activatedMarker = 1;
        halvik::toolModeEntered = halvik::toolFamilyActive;

        if (unit != nullptr)
            window->openTargetMidiDevices (unit->outputName(), 0);

        if (image.isNotEmpty())
        {
            halvik::selectedMarker = 1;
            halvik::firmwareFilePath = image;

            if (unit != nullptr)
                window->midiHandler->loadFirmwareImage (juce::File (image));
        }

        return window;
    }

    /** The texts of the message boxes shown, and the titles of the dialogs. */
    std::vector<std::string> messages() const  { return texts (prompts.messages()); }
    std::vector<std::string> dialogs() const   { return texts (prompts.titlesOf ("dialog")); }

    /** The message boxes shown, each as box() gives it. */
    std::vector<std::string> boxes() const
    {
        std::vector<std::string> found;

        for (auto& shown : prompts.ofKind ("message"))
            found.push_back (box (shown.icon, shown.title, shown.message));

        return found;
    }

    static std::string box (juce::MessageBoxIconType icon, const juce::String& title, const juce::String& message)
    {
        return (juce::String ((int) icon) + "|" + title + "|" + message).toStdString();
    }

    VirtualClock clock;
    std::vector<std::unique_ptr<SimulatedUnit>> units;
};

} // namespace sim

/** For tests of the upgrader's MIDI: as the steps' fixture (ports and units on
    a virtual clock, upgrader flags as at program start), plus an upgrade
    window. */
class UpgraderMidiFixture : public sim::UpgradeStepsFixture
{
protected:
    /** A unit's options: a "Dravel 49" keyboard unless told otherwise, in its
        normal mode unless inUpgradeMode. */
    static sim::SimulatedUnit::Options unitOptions (bool inUpgradeMode, const juce::String& model = "Dravel 49", int productId = 0x1022)
    {
        auto options = linuxUnit (model, productId, true, inUpgradeMode);
        options.naming = sim::SimulatedUnit::Naming::windows;
        return options;
    }

    /** No window, and this unit alone plugged in: a fresh start for one row of a table. */
    sim::SimulatedUnit& onlyUnit (sim::SimulatedUnit::Options options)
    {
        window.reset();
        units.clear();
        return addUnit (std::move (options));
    }

    /** The upgrade window for a product, with the pacing of its family. */
    halvik::FirmwareUpgradeComponent& makeWindow (int productId)
    {
        window = std::make_unique<halvik::FirmwareUpgradeComponent> (productId, false);
        window->flashMethod = halvik::getFlashMethod (productId);
        window->notKeyboardFamily = window->flashMethod != halvik::flashMethodKeyboard;
        return *window;
    }

    /** The window (a keyboard's unless made before) with its handler connected
        to the unit's upgrade-mode ports and holding an image of that size. */
    halvik::FirmwareUpgradeComponent::MidiInputHandler& connectWithImage (sim::SimulatedUnit& unit, int imageSize)
    {
        auto& w = window != nullptr ? *window : makeWindow (0x1022);
        w.openTargetMidiDevices (unit.outputName(), 0);
        w.midiHandler->loadFirmwareImage (juce::File (makeImage ("image.bin", imageSize)));
        ports.clearTimeline();
        return *w.midiHandler;
    }

    /** What reached the devices, without the pauses between. */
    juce::StringArray messagesSent() const  { return ports.messagesTo(); }

    std::unique_ptr<halvik::FirmwareUpgradeComponent> window;
};

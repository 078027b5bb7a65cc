#include <gtest/gtest.h>

#include "app/DemoContentComponent.h"
#include "app/MainComponent.h"
#include "editor/EditorState.h"
#include "editor/device/Host.h"
#include "editor/window/MainComp.h"
#include "editor/files/MappingFile.h"
#include "editor/model/MappingModel.h"
#include "editor/window/UpgraderHook.h"
#include "support/MessageLoop.h"
#include "support/RunningApplication.h"
#include "support/TestSurroundings.h"

// The real window with the real editor: a dialog of the editor is opened, the
// user asks the window to close (or the program to quit) while it runs, and the
// dialog is then ended as its "Cancel" would. The window refuses while the
// dialog runs and closes on the same request afterwards.

namespace
{
    enum class Request { closeButton, ctrlQ, trayQuit, editorTakenAway };
    const char* const requestNames[] { "CloseButton", "CtrlQ", "TrayQuit", "EditorTakenAway" };

    struct DialogCase
    {
        const char* name;
        std::function<void (NsDravel::MainComp&)> open;
        const char* systemChooserAnswer = nullptr;      // set: JUCE runs the system's chooser, which answers this
    };

    void PrintTo (const DialogCase& d, std::ostream* os)  { *os << d.name; }
    void PrintTo (Request r, std::ostream* os)            { *os << requestNames[(int) r]; }

    using M = juce::ModifierKeys;

    const DialogCase deviceChooser   { "DeviceChooser",   [] (auto& e) { e.connectButton.triggerClick(); } };
    const DialogCase curveDialog     { "CurveDialog",     [] (auto& e) { e.curveViewButton.triggerClick(); } };
    const DialogCase loadChooser     { "LoadFileChooser", [] (auto& e) { e.loadFileButton.triggerClick(); } };
    const DialogCase saveChooser     { "SaveFileChooser", [] (auto& e) { e.saveFileButton.triggerClick(); } };
    const DialogCase firmwareUpgrade { "FirmwareUpgrade", [] (auto& e) { e.firmwareUpgradeButton.triggerClick(); } };
    const DialogCase aboutWindow     { "AboutWindow",     [] (auto& e)
    {
        e.keyPressed (juce::KeyPress (juce::KeyPress::F1Key));
    } };
    const DialogCase rawMidiSender   { "RawMidiSender",   [] (auto& e)
    {
        const juce::KeyPress hiddenChordM { 'm', M::ctrlModifier | M::shiftModifier | M::altModifier, 0 };
        juce::MessageManager::callAsync ([&e, hiddenChordM] { e.keyPressed (hiddenChordM); });
    } };
    const DialogCase systemSaveChooser { "SystemSaveChooser", [] (auto& e) { e.saveFileButton.triggerClick(); },
                                         "live" };
    const DialogCase systemLoadChooser { "SystemLoadChooser", [] (auto& e) { e.loadFileButton.triggerClick(); },
                                         "logic.tavlo" };

    /** A stand-in upgrader that, like the real one, runs its window modally on the editor. */
    NsDravel::UpgraderEntry modalUpgrader = [] (int, juce::Component* parent, bool, bool, int)
    {
        juce::AlertWindow::showMessageBox (juce::MessageBoxIconType::NoIcon, "Firmware Upgrade", "Upgrading",
                                           {}, parent);
        return 0;
    };

    struct ClosingDuringADialog : public ::testing::TestWithParam<std::tuple<DialogCase, Request>>
    {
        ClosingDuringADialog()
        {
            // JUCE runs the system's file chooser when it finds one on the PATH, else its own dialog.
            const juce::String systemFolders (dialog().systemChooserAnswer != nullptr ? ":/usr/bin:/bin" : "");
            environment.set ("PATH", tools.get().getFullPathName() + systemFolders);
            environment.unset ("KDE_FULL_SESSION");
            NsDravel::saveMappingToFile (NsDravel::createMapTree (2), documents.get().getChildFile ("logic.tavlo"));

            running.start();
        }

        ~ClosingDuringADialog() override
        {
            running.shutdown();
            NsDravel::firmwareUpgraderEntry() = previousUpgrader;
        }

        const DialogCase& dialog() const   { return std::get<0> (GetParam()); }
        DemoRunnerApplication::MainAppWindow& window() const   { return running.window(); }

        NsDravel::MainComp* editor() const
        {
            auto* main = window().findMainComponent();
            return main == nullptr ? nullptr
                                   : dynamic_cast<NsDravel::MainComp*> (main->getContentArea().getCurrentView());
        }

        bool programStillThere() const
        {
            return editor() != nullptr && window().isVisible()
                && ! juce::MessageManager::getInstance()->hasStopMessageBeenSent();
        }

        void request (Request r)
        {
            switch (r)
            {
                // What the window system's close message and a Ctrl+Q typed into the
                // window lead to; the tray's "Quit" asks the application.
                case Request::closeButton:      window().getPeer()->handleUserClosingWindow(); break;
                case Request::ctrlQ:
                    window().getPeer()->handleKeyPress (juce::KeyPress ('q', M::ctrlModifier, 0));
                    window().keyPressed (juce::KeyPress ('q', M::ctrlModifier, 0));
                    break;
                case Request::trayQuit:         running.app.systemRequestedQuit(); break;
                // No user can do this: the editor goes by some other road.
                case Request::editorTakenAway:  window().clearContentComponent(); break;
            }
        }

        /** Opens the dialog, makes the request while it runs, and ends the dialog (as
            its "Cancel" would, or with the system chooser's answer); true when the
            program was all there right after the request. */
        bool requestWhileTheDialogRuns (Request r)
        {
            const bool systemChooserRuns = dialog().systemChooserAnswer != nullptr;
            const auto nothingModal = [] { return juce::Component::getCurrentlyModalComponent() == nullptr; };
            bool kept = false;

            const auto dialogIsUp = [&]
            {
                if (systemChooserRuns)
                    return systemChooser.isRunning();

                return ! nothingModal();
            };

            const auto requestAndLook = [&]
            {
                request (r);
                kept = programStillThere();
            };

            const auto endDialog = [&]
            {
                if (systemChooserRuns)
                    systemChooser.answerWith (documents.get().getChildFile (dialog().systemChooserAnswer));
                else
                    juce::Component::getCurrentlyModalComponent()->exitModalState (0);
            };

            testsupport::WhileADialogRuns during (dialogIsUp, requestAndLook, endDialog);
            dialog().open (*editor());

            const auto allOver = [&] { return during.ended && nothingModal(); };
            EXPECT_TRUE (testsupport::dispatchUntil (allOver));
            return kept;
        }

        TempFolder tools, documents;
        ScopedEnvironment environment;
        SystemFileChooserStandIn systemChooser { tools.get() };
        NsDravel::UpgraderEntry previousUpgrader = std::exchange (NsDravel::firmwareUpgraderEntry(), modalUpgrader);
        sim::RunningApplication running;     // its keyboard gives the raw-MIDI sender a port
    };

    std::string caseName (const ::testing::TestParamInfo<std::tuple<DialogCase, Request>>& info)
    {
        return std::string (std::get<0> (info.param).name) + "_" + requestNames[(int) std::get<1> (info.param)];
    }
}

TEST_P (ClosingDuringADialog, WaitsUntilTheDialogHasEndedAndThenCloses)
{
    const auto closeRequest = std::get<1> (GetParam());

    EXPECT_TRUE (requestWhileTheDialogRuns (closeRequest)) << "the request is refused while the dialog runs";
    EXPECT_TRUE (programStillThere());

    if (dialog().systemChooserAnswer != nullptr)
        EXPECT_TRUE (documents.get().getChildFile ("live.tavlo").existsAsFile())
            << "the chooser's answer was still taken";

    request (closeRequest);
    EXPECT_TRUE (juce::MessageManager::getInstance()->hasStopMessageBeenSent());
    EXPECT_FALSE (window().isVisible() && editor() != nullptr);
}

INSTANTIATE_TEST_SUITE_P (EveryDialog, ClosingDuringADialog,
                          ::testing::Combine (::testing::Values (deviceChooser, curveDialog, loadChooser, saveChooser,
                                                                 rawMidiSender, firmwareUpgrade, aboutWindow,
                                                                 systemSaveChooser),
                                              ::testing::Values (Request::closeButton, Request::ctrlQ,
                                                                 Request::trayQuit)),
                          caseName);

// Whatever else takes the editor away while one of its dialogs runs, the code
// behind the dialog sees it when the dialog ends and leaves it alone.
using EditorGoneWhenADialogEnds = ClosingDuringADialog;

TEST_P (EditorGoneWhenADialogEnds, IsLeftAloneByTheCodeThatRanTheDialog)
{
    EXPECT_FALSE (requestWhileTheDialogRuns (Request::editorTakenAway));
    EXPECT_EQ (NsDravel::theMainComp, nullptr);

    if (dialog().systemChooserAnswer != nullptr)
        EXPECT_EQ (NsDravel::Host::getInstance()->getCurrentModeIndex(), 2) << "the chosen file was still loaded";
}

INSTANTIATE_TEST_SUITE_P (EveryDialog, EditorGoneWhenADialogEnds,
                          ::testing::Combine (::testing::Values (deviceChooser, curveDialog, loadChooser, saveChooser,
                                                                 rawMidiSender, firmwareUpgrade, systemLoadChooser),
                                              ::testing::Values (Request::editorTakenAway)),
                          caseName);

#include <gtest/gtest.h>

#include "app/DemoContentComponent.h"
#include "app/DemoRunnerApplication.h"
#include "app/MainAppWindow.h"
#include "app/MainComponent.h"
#include "editor/EditorState.h"
#include "editor/Host.h"
#include "editor/MainComp.h"
#include "editor/MappingFile.h"
#include "editor/MappingModel.h"
#include "editor/UpgraderHook.h"
#include "support/DispatchUntil.h"
#include "support/SimulatedKeyboard.h"
#include "support/TempFolder.h"

#include <cstdlib>

// The real window with the real editor: a dialog of the editor is opened, the
// user asks the window to close (or to quit) while the dialog runs, and the
// dialog is then ended as its "Cancel" would. The program must survive it and
// keep its window until the dialog has ended; the same request then closes it.

namespace
{
    enum class Dialog { deviceChooser, curveDialog, loadChooser, saveChooser, rawMidiSender,
                        firmwareUpgrade, systemSaveChooser, systemLoadChooser };

    enum class Request { closeButton, ctrlQ, trayQuit, editorTakenAway };

    const char* nameOf (Dialog d)
    {
        switch (d)
        {
            case Dialog::deviceChooser:     return "DeviceChooser";
            case Dialog::curveDialog:       return "CurveDialog";
            case Dialog::loadChooser:       return "LoadFileChooser";
            case Dialog::saveChooser:       return "SaveFileChooser";
            case Dialog::rawMidiSender:     return "RawMidiSender";
            case Dialog::firmwareUpgrade:   return "FirmwareUpgrade";
            case Dialog::systemSaveChooser: return "SystemSaveChooserInAnotherProcess";
            case Dialog::systemLoadChooser: return "SystemLoadChooserInAnotherProcess";
        }

        return "";
    }

    const char* nameOf (Request r)
    {
        switch (r)
        {
            case Request::closeButton: return "CloseButton";
            case Request::ctrlQ:       return "CtrlQ";
            case Request::trayQuit:    return "TrayQuit";
            case Request::editorTakenAway: return "EditorTakenAway";
        }

        return "";
    }

    // Readable test names in CTest's list.
    void PrintTo (Dialog d, std::ostream* os)   { *os << nameOf (d); }
    void PrintTo (Request r, std::ostream* os)  { *os << nameOf (r); }

    /** Puts a stand-in upgrader in place: like the real one, it runs its window
        modally, centred on the editor. */
    struct ScopedModalUpgrader
    {
        ScopedModalUpgrader()
            : previous (std::exchange (NsDravel::firmwareUpgraderEntry(), [] (int, juce::Component* parent, bool, bool, int)
              {
                  juce::AlertWindow::showMessageBox (juce::MessageBoxIconType::NoIcon, "Firmware Upgrade", "Upgrading", {}, parent);
                  return 0;
              }))
        {
        }

        ~ScopedModalUpgrader()   { NsDravel::firmwareUpgraderEntry() = previous; }

        NsDravel::UpgraderEntry previous;
    };

    /** What the system's file chooser does in its own process: a script named
        like it, found first on the PATH, that says when it runs and answers with
        whatever the test writes into its answer file. */
    class SystemChooserStandIn
    {
    public:
        explicit SystemChooserStandIn (const juce::File& folder)
            : started (folder.getChildFile ("started")), answer (folder.getChildFile ("answer"))
        {
            auto script = folder.getChildFile ("zenity");
            // It gives up (as a cancel) after a minute, so that a program that
            // stopped listening to it fails the test instead of hanging it.
            script.replaceWithText ("#!/bin/sh\n"
                                    "touch '" + started.getFullPathName() + "'\n"
                                    "for i in $(seq 3000); do\n"
                                    "    [ -e '" + answer.getFullPathName() + "' ] && exec cat '" + answer.getFullPathName() + "'\n"
                                    "    sleep 0.02\n"
                                    "done\n", false, false, "\n");
            script.setExecutePermission (true);
        }

        bool isRunning() const              { return started.exists(); }
        void answerWith (const juce::String& path) const  { answer.replaceWithText (path, false, false, "\n"); }

    private:
        juce::File started, answer;
    };

    /** Runs inside the dialog's loop: once the dialog is up, asks the window to
        close and notes what became of it; on a later tick ends the dialog. */
    class CloseWhileTheDialogRuns final : private juce::Timer
    {
    public:
        CloseWhileTheDialogRuns (std::function<bool()> dialogIsUp, std::function<void()> requestClose,
                                 std::function<void()> endDialog, std::function<bool()> programStillThere)
            : isUp (std::move (dialogIsUp)), request (std::move (requestClose)),
              end (std::move (endDialog)), stillThere (std::move (programStillThere))
        {
            startTimer (10);
        }

        ~CloseWhileTheDialogRuns() override   { stopTimer(); }

        bool requested = false, keptThroughTheRequest = false, ended = false;

    private:
        void timerCallback() override
        {
            if (! isUp())
                return;

            if (! requested)
            {
                requested = true;
                request();
                keptThroughTheRequest = stillThere();
                return;
            }

            stopTimer();
            ended = true;
            end();
        }

        std::function<bool()> isUp;
        std::function<void()> request, end;
        std::function<bool()> stillThere;
    };

    struct ClosingDuringADialog : public ::testing::TestWithParam<std::tuple<Dialog, Request>>
    {
        ClosingDuringADialog()
        {
            // Which file chooser JUCE uses depends on the tools it finds: none
            // here (its own dialog), or the stand-in of the system's chooser.
            const auto path = isSystemChooser() ? tools.get().getFullPathName() + ":/usr/bin:/bin"
                                                : tools.get().getFullPathName();
            setenv ("PATH", path.toRawUTF8(), 1);
            unsetenv ("KDE_FULL_SESSION");

            ports.setRealPauses (false);
            NsDravel::resetProcessState();
            app.initialise ({});
            window = app.getMainWindow();
        }

        ~ClosingDuringADialog() override
        {
            app.shutdown();
        }

        Dialog dialog() const     { return std::get<0> (GetParam()); }
        bool isSystemChooser() const { return dialog() == Dialog::systemSaveChooser || dialog() == Dialog::systemLoadChooser; }
        Request request() const   { return std::get<1> (GetParam()); }

        NsDravel::MainComp* editor() const
        {
            if (auto* main = window->findMainComponent())
                return dynamic_cast<NsDravel::MainComp*> (main->getContentArea().getCurrentView());

            return nullptr;
        }

        void open()
        {
            auto* e = editor();

            switch (dialog())
            {
                case Dialog::deviceChooser:     e->connectButton.triggerClick(); break;
                case Dialog::curveDialog:       e->curveViewButton.triggerClick(); break;
                case Dialog::loadChooser:
                case Dialog::systemLoadChooser: e->loadFileButton.triggerClick(); break;
                case Dialog::saveChooser:
                case Dialog::systemSaveChooser: e->saveFileButton.triggerClick(); break;
                case Dialog::firmwareUpgrade:   e->firmwareUpgradeButton.triggerClick(); break;
                case Dialog::rawMidiSender:
                    juce::MessageManager::callAsync ([e]
                    {
                        using M = juce::ModifierKeys;
                        e->keyPressed (juce::KeyPress ('m', M::ctrlModifier | M::shiftModifier | M::altModifier, 0));
                    });
                    break;
            }
        }

        bool dialogIsUp() const
        {
            return isSystemChooser() ? systemChooser.isRunning()
                                     : juce::Component::getCurrentlyModalComponent() != nullptr;
        }

        void endDialog()
        {
            if (dialog() == Dialog::systemSaveChooser)
            {
                systemChooser.answerWith (documents.get().getChildFile ("live").getFullPathName());
            }
            else if (dialog() == Dialog::systemLoadChooser)
            {
                const auto mapping = documents.get().getChildFile ("logic.tavlo");
                NsDravel::saveMappingToFile (NsDravel::createMapTree (2), mapping);
                systemChooser.answerWith (mapping.getFullPathName());
            }
            else if (auto* modal = juce::Component::getCurrentlyModalComponent())
                modal->exitModalState (0);
        }

        void requestClose()
        {
            switch (request())
            {
                // What the window system's close message and a Ctrl+Q typed into
                // the window lead to; the tray's "Quit" asks the application.
                case Request::closeButton:  window->getPeer()->handleUserClosingWindow(); break;
                case Request::ctrlQ:        window->getPeer()->handleKeyPress (juce::KeyPress ('q', juce::ModifierKeys::ctrlModifier, 0));
                                            window->keyPressed (juce::KeyPress ('q', juce::ModifierKeys::ctrlModifier, 0));
                                            break;
                case Request::trayQuit:     app.systemRequestedQuit(); break;
                // Not something a user can do: the editor goes by another road.
                case Request::editorTakenAway: window->clearContentComponent(); break;
            }
        }

        bool programStillThere() const
        {
            return editor() != nullptr && window->isVisible()
                && ! juce::MessageManager::getInstance()->hasStopMessageBeenSent();
        }

        TempFolder tools, documents;
        SystemChooserStandIn systemChooser { tools.get() };
        sim::SimulatedMidiPorts ports;
        sim::SimulatedKeyboard keyboard { ports };   // the raw-MIDI sender needs a keyboard port
        ScopedModalUpgrader upgrader;
        DemoRunnerApplication app;
        DemoRunnerApplication::MainAppWindow* window = nullptr;
    };
}

TEST_P (ClosingDuringADialog, WaitsUntilTheDialogHasEndedAndThenCloses)
{
    ASSERT_NE (editor(), nullptr);

    CloseWhileTheDialogRuns script ([this] { return dialogIsUp(); }, [this] { requestClose(); },
                                    [this] { endDialog(); }, [this] { return programStillThere(); });
    open();

    ASSERT_TRUE (testsupport::dispatchUntil ([&]
    {
        return script.ended && juce::Component::getCurrentlyModalComponent() == nullptr;
    }));

    EXPECT_TRUE (script.requested);
    EXPECT_TRUE (script.keptThroughTheRequest) << "the request was refused while the dialog ran";
    EXPECT_TRUE (programStillThere());

    if (dialog() == Dialog::systemSaveChooser)
        EXPECT_TRUE (testsupport::dispatchUntil ([this] { return documents.get().getChildFile ("live.tavlo").existsAsFile(); }))
            << "the chooser's answer was still taken";

    // Once the dialog has ended, the same request ends the program.
    requestClose();

    EXPECT_TRUE (juce::MessageManager::getInstance()->hasStopMessageBeenSent());
    EXPECT_FALSE (window->isVisible() && editor() != nullptr);
}

// Whatever else may take the editor away while one of its dialogs runs, the
// code behind the dialog notices when the dialog ends, and leaves it alone.
using EditorGoneWhenADialogEnds = ClosingDuringADialog;

TEST_P (EditorGoneWhenADialogEnds, IsLeftAloneByTheCodeThatRanTheDialog)
{
    CloseWhileTheDialogRuns script ([this] { return dialogIsUp(); }, [this] { requestClose(); },
                                    [this] { endDialog(); }, [this] { return editor() != nullptr; });
    open();

    ASSERT_TRUE (testsupport::dispatchUntil ([&]
    {
        return script.ended && juce::Component::getCurrentlyModalComponent() == nullptr;
    }));

    EXPECT_FALSE (script.keptThroughTheRequest);
    EXPECT_EQ (editor(), nullptr);
    EXPECT_EQ (NsDravel::theMainComp, nullptr);

    if (dialog() == Dialog::systemLoadChooser)
        EXPECT_EQ (NsDravel::Host::getInstance()->getCurrentModeIndex(), 2) << "the chosen file was still loaded";
}

INSTANTIATE_TEST_SUITE_P (EveryDialog, EditorGoneWhenADialogEnds,
                          ::testing::Combine (::testing::Values (Dialog::deviceChooser, Dialog::curveDialog, Dialog::loadChooser,
                                                                 Dialog::saveChooser, Dialog::rawMidiSender, Dialog::firmwareUpgrade,
                                                                 Dialog::systemLoadChooser),
                                              ::testing::Values (Request::editorTakenAway)),
                          [] (const auto& info) { return std::string (nameOf (std::get<0> (info.param))); });

INSTANTIATE_TEST_SUITE_P (EveryDialog, ClosingDuringADialog,
                          ::testing::Combine (::testing::Values (Dialog::deviceChooser, Dialog::curveDialog, Dialog::loadChooser,
                                                                 Dialog::saveChooser, Dialog::rawMidiSender, Dialog::firmwareUpgrade,
                                                                 Dialog::systemSaveChooser),
                                              ::testing::Values (Request::closeButton, Request::ctrlQ, Request::trayQuit)),
                          [] (const auto& info)
                          {
                              return std::string (nameOf (std::get<0> (info.param))) + "_" + nameOf (std::get<1> (info.param));
                          });

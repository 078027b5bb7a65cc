#pragma once

#include <juce_core/juce_core.h>

/** The system's file chooser, which JUCE runs as a process of its own: a
    script under the chooser's name, in a folder the test puts first on the
    PATH. It says when it runs, and answers with whatever the test writes into
    its answer file (nothing for a cancel). It gives up, as a cancel, after a
    minute, so that a program that stopped waiting for it fails the test
    instead of hanging it. */
class SystemFileChooserStandIn
{
public:
    explicit SystemFileChooserStandIn (const juce::File& folder)
        : started (folder.getChildFile ("started")), answer (folder.getChildFile ("answer"))
    {
        auto script = folder.getChildFile ("zenity");
        script.replaceWithText ("#!/bin/sh\n"
                                "touch '" + started.getFullPathName() + "'\n"
                                "for i in $(seq 3000); do\n"
                                "    [ -e '" + answer.getFullPathName() + "' ] && exec cat '" + answer.getFullPathName() + "'\n"
                                "    sleep 0.02\n"
                                "done\n", false, false, "\n");
        script.setExecutePermission (true);
    }

    bool isRunning() const                              { return started.exists(); }
    void answerWith (const juce::File& file) const      { answer.replaceWithText (file.getFullPathName(), false, false, "\n"); }

private:
    juce::File started, answer;
};

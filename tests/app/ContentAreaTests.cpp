#include <gtest/gtest.h>

#include "app/CodeContent.h"
#include "app/DemoContentComponent.h"
#include "app/DemoRegistry.h"
#include "app/MainComponent.h"
#include "support/ProbeComponent.h"
#include "support/TempFolder.h"

TEST (ContentArea, ShowsARegisteredEntryOnceWithItsNotesAndDeletesItOnceWhenCleared)
{
    MainComponent owner { ProbeComponent::factory (std::make_shared<int> (0)) };
    juce::Array<bool> changes;     // the weight of each change the area reports
    DemoContentComponent area { owner, [&changes] (bool heavy) { changes.add (heavy); } };

    TempFolder temp;
    temp.createFile ("resources/Views/Probe").replaceWithText ("/*\n END_JUCE_PIP_METADATA\n*/\n\nnotes text");
    int builds = 0;
    auto destroyed = std::make_shared<int> (0);
    addDemoEntry ([&] { ++builds; return new ProbeComponent (destroyed); }, "Views/Probe", "Probes", true,
                  temp.get().getChildFile ("resources"));

    area.showDemoEntry ("Probes", 0);
    auto* shown = area.getCurrentView();
    area.showDemoEntry ("Probes", 0);

    EXPECT_EQ (builds, 1);
    ASSERT_NE (shown, nullptr);
    EXPECT_EQ (area.getCurrentView(), shown);
    EXPECT_EQ (area.getCodeViewer().getText(), "notes text") << "the notes without their metadata block";

    area.clearContent();
    area.clearContent();

    EXPECT_EQ (*destroyed, 1);
    EXPECT_EQ (area.getCurrentView(), nullptr);
    EXPECT_EQ (changes, juce::Array<bool> ({ true, false, false }));
}

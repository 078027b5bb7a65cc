#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>
TEST (Smoke, JuceStrings) { EXPECT_EQ (juce::String ("a") + "b", "ab"); }

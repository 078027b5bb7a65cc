#include <juce_gui_basics/juce_gui_basics.h>

int main (int argc, char* argv[])
{
    juce::ignoreUnused (argc, argv);
    return 0;
}

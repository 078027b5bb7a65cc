#include "editor/window/CreateMainComp.h"
#include "editor/window/MainComp.h"

namespace NsDravel
{
    juce::Component* createMainComp()
    {
        // The argument names the first keyboard model; the editor does not use it.
        return new MainComp (0x1020);
    }
}

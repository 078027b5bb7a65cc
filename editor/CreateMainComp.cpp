#include "CreateMainComp.h"

namespace NsDravel
{
    namespace
    {
        /** An empty stand-in for the mapping editor. Like the editor, it holds its
            top-level window at 979 x 473 whenever it is laid out, so the window has
            a size of its own before there is anything to show in it. */
        class EmptyEditor : public juce::Component
        {
        public:
            EmptyEditor()
            {
                setSize (979, 473);
            }

            void resized() override
            {
                if (auto* window = dynamic_cast<juce::ResizableWindow*> (getTopLevelComponent()))
                {
                    window->setResizeLimits (979, 473, 3000, 2000);
                    window->setSize (979, 473);
                }
            }

        private:
            JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (EmptyEditor)
        };
    }

    juce::Component* createMainComp()
    {
        return new EmptyEditor();
    }
}

#include "support/DeviceChooserAnswers.h"

#include "firmware/window/DeviceSelectComponent.h"
#include "firmware/window/UpgraderDialogWindow.h"

namespace sim
{

namespace
{
    using SafeContent = juce::Component::SafePointer<juce::Component>;

    /** Closes the chooser's dialog when it is still running. */
    void closeIfStillOpen (SafeContent content)
    {
        if (content == nullptr)
            return;

        if (auto* dialog = content->findParentComponentOfClass<juce::DialogWindow>(); dialog != nullptr && dialog->isCurrentlyModal())
            dialog->closeButtonPressed();
    }

    void chooseAndClickOk (SafeContent content, const juce::String& item)
    {
        auto* chooser = dynamic_cast<halvik::DeviceSelectComponent*> (content.getComponent());

        if (chooser == nullptr)
            return;

        auto& list = chooser->getDeviceList();

        if (item.isNotEmpty())
            for (int i = 0; i < list.getNumItems(); ++i)
                if (list.getItemText (i) == item)
                    list.setSelectedItemIndex (i, juce::sendNotificationSync);

        // The click arrives as a message after this one; two hops later the
        // dialog has either ended or refused.
        chooser->getOkButton().triggerClick();
        juce::MessageManager::callAsync ([content] { juce::MessageManager::callAsync ([content] { closeIfStillOpen (content); }); });
    }
}

std::function<int (juce::Component&, const juce::String&)> clickOkInDeviceChooser (const juce::String& item)
{
    return [item] (juce::Component& content, const juce::String& title)
    {
        SafeContent safe (&content);
        juce::MessageManager::callAsync ([safe, item] { chooseAndClickOk (safe, item); });
        return halvik::UpgraderDialogWindow::runModal (content, title, nullptr, true);
    };
}

} // namespace sim

#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include <functional>
#include <memory>

/** A stand-in view that counts how often it has been destroyed, so tests can see
    when (and how often) the shell tears its content down. */
class ProbeComponent : public juce::Component
{
public:
    explicit ProbeComponent (std::shared_ptr<int> destructionCounter)
        : destructions (std::move (destructionCounter))
    {
        setSize (979, 473);
    }

    ~ProbeComponent() override { ++*destructions; }

    /** A factory that builds probes which all count into the one counter. */
    static std::function<juce::Component*()> factory (std::shared_ptr<int> counter)
    {
        return [counter] { return new ProbeComponent (counter); };
    }

private:
    std::shared_ptr<int> destructions;
};

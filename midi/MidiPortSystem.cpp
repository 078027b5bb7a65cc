#include "midi/MidiPortSystem.h"

#include "midi/MidiPortNames.h"

#include <alsa/asoundlib.h>
#include <sys/prctl.h>
#include <time.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace NsDravel
{

namespace
{
    class SystemInputPort final : public MidiInputPort
    {
    public:
        explicit SystemInputPort (std::unique_ptr<juce::MidiInput> openedPort)
            : port (std::move (openedPort))
        {
        }

        void start() override               { port->start(); }
        void stop() override                { port->stop(); }
        juce::String getName() const override       { return port->getName(); }
        juce::String getIdentifier() const override { return port->getIdentifier(); }

    private:
        std::unique_ptr<juce::MidiInput> port;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SystemInputPort)
    };

    class SystemOutputPort final : public MidiOutputPort
    {
    public:
        explicit SystemOutputPort (std::unique_ptr<juce::MidiOutput> openedPort)
            : port (std::move (openedPort))
        {
        }

        void sendMessageNow (const juce::MidiMessage& message) override       { port->sendMessageNow (message); }
        void sendBlockOfMessagesNow (const juce::MidiBuffer& buffer) override { port->sendBlockOfMessagesNow (buffer); }
        juce::String getName() const override                                 { return port->getName(); }
        juce::String getIdentifier() const override                           { return port->getIdentifier(); }

    private:
        std::unique_ptr<juce::MidiOutput> port;

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SystemOutputPort)
    };

    // The port list is read on every timer tick; on a machine without a MIDI
    // sequencer ALSA would print the same complaint to stderr three times a second.
    void ignoreAlsaMessage (const char*, int, const char*, int, const char*, ...) {}

    /** The operating system's ports, through JUCE. */
    class SystemMidiPorts final : public MidiPortSystem
    {
    public:
        SystemMidiPorts()
        {
            snd_lib_error_set_handler (ignoreAlsaMessage);
        }

        juce::Array<juce::MidiDeviceInfo> getInputDevices() override  { return juce::MidiInput::getAvailableDevices(); }
        juce::Array<juce::MidiDeviceInfo> getOutputDevices() override { return juce::MidiOutput::getAvailableDevices(); }

        std::unique_ptr<MidiInputPort> openInput (const juce::String& identifier,
                                                  juce::MidiInputCallback* callback) override
        {
            if (auto port = juce::MidiInput::openDevice (identifier, callback))
                return std::make_unique<SystemInputPort> (std::move (port));

            return {};
        }

        std::unique_ptr<MidiOutputPort> openOutput (const juce::String& identifier) override
        {
            if (auto port = juce::MidiOutput::openDevice (identifier))
                return std::make_unique<SystemOutputPort> (std::move (port));

            return {};
        }
    };

    SystemMidiPorts& systemPorts()
    {
        static SystemMidiPorts ports;
        return ports;
    }

    std::atomic<MidiPortSystem*> installedSystem { nullptr };

    //==============================================================================
    // A plain sleep of 500 us lasts about 585 us on Linux: the kernel may delay
    // the wake-up by the thread's timer slack (50 us by default) and the wake-up
    // itself takes time. Protocol pauses add up over thousands of messages, so
    // they sleep with the slack lowered to just before their deadline and spin
    // the rest.
    constexpr long spinNanoseconds = 60000;

    timespec monotonicNow()
    {
        timespec now {};
        clock_gettime (CLOCK_MONOTONIC, &now);
        return now;
    }

    timespec addNanoseconds (timespec t, long long nanoseconds)
    {
        const auto total = (long long) t.tv_sec * 1000000000LL + t.tv_nsec + nanoseconds;
        t.tv_sec = (time_t) (total / 1000000000LL);
        t.tv_nsec = (long) (total % 1000000000LL);
        return t;
    }

    bool isBefore (const timespec& a, const timespec& b)
    {
        return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
    }

    void lowerTimerSlackOfThisThread()
    {
        thread_local bool lowered = false;

        if (! lowered)
        {
            prctl (PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);   // 1 ns, the smallest the kernel takes
            lowered = true;
        }
    }

    void sleepPrecisely (double microseconds)
    {
        if (! (microseconds > 0.0))
            return;

        lowerTimerSlackOfThisThread();

        // Rounded up, so that the pause is never shorter than asked.
        const auto nanoseconds = (long long) std::ceil (microseconds * 1000.0);
        const auto deadline = addNanoseconds (monotonicNow(), nanoseconds);

        if (nanoseconds > spinNanoseconds)
        {
            const auto wakeUp = addNanoseconds (deadline, -spinNanoseconds);

            while (clock_nanosleep (CLOCK_MONOTONIC, TIMER_ABSTIME, &wakeUp, nullptr) == EINTR)
            {
            }
        }

        while (isBefore (monotonicNow(), deadline))
        {
        }
    }

    // Reply waits in real time: handlers notify after recording a reply.
    std::mutex replyLock;
    std::condition_variable replyArrived;
}

void MidiPortSystem::pause (double microseconds)
{
    sleepPrecisely (microseconds);
}

bool MidiPortSystem::waitForReply (const std::function<bool()>& replied, double timeoutMicroseconds)
{
    std::unique_lock<std::mutex> lock (replyLock);

    if (! (timeoutMicroseconds > 0.0))
        return replied();

    const auto deadline = std::chrono::steady_clock::now()
                        + std::chrono::duration_cast<std::chrono::steady_clock::duration> (
                              std::chrono::duration<double, std::micro> (timeoutMicroseconds));

    return replyArrived.wait_until (lock, deadline, replied);
}

void MidiPortSystem::wakeReplyWaiters()
{
    {
        // Taking the lock orders this wake-up after a waiter's last test of
        // its condition, so that no reply is missed between the two.
        const std::lock_guard<std::mutex> lock (replyLock);
    }

    replyArrived.notify_all();
}

void MidiPortSystem::waitDispatchingMessages (double milliseconds)
{
    auto remaining = juce::roundToInt (milliseconds);

    while (remaining >= 1)
    {
        const auto slice = juce::jmin (remaining, 100);
        juce::MessageManager::getInstance()->runDispatchLoopUntil (slice);
        remaining -= slice;
    }
}

bool MidiPortSystem::waitDispatchingMessagesUntil (const std::function<bool()>& done, double timeoutMilliseconds)
{
    const auto end = juce::Time::getMillisecondCounterHiRes() + timeoutMilliseconds;
    auto* messageManager = juce::MessageManager::getInstance();

    while (! done())
    {
        if (juce::Time::getMillisecondCounterHiRes() >= end)
            return false;

        // One message dispatched, or a millisecond idled when none is pending.
        // A loop told to quit dispatches nothing more: then it only idles.
        if (! messageManager->runDispatchLoopUntil (0))
            juce::Thread::sleep (1);
    }

    return true;
}

MidiPortSystem& MidiPortSystem::getCurrent()
{
    if (auto* installed = installedSystem.load())
        return *installed;

    return systemPorts();
}

MidiPortSystem* MidiPortSystem::setCurrent (MidiPortSystem* newSystem)
{
    return installedSystem.exchange (newSystem);
}

juce::StringArray namesOf (const juce::Array<juce::MidiDeviceInfo>& devices)
{
    juce::StringArray names;

    for (auto& device : devices)
        names.add (device.name);

    return names;
}

//==============================================================================
namespace
{
    // The outermost scope open on this thread; inner ones leave it in charge,
    // and other threads keep reading the lists afresh.
    thread_local PortListScope* activeScope = nullptr;
}

PortListScope::PortListScope()
{
    if (activeScope == nullptr)
        activeScope = this;
}

PortListScope::~PortListScope()
{
    if (activeScope == this)
        activeScope = nullptr;
}

juce::Array<juce::MidiDeviceInfo> listMidiOutputs()
{
    if (activeScope == nullptr)
        return MidiPortSystem::getCurrent().getOutputDevices();

    if (! activeScope->outputs.has_value())
        activeScope->outputs = MidiPortSystem::getCurrent().getOutputDevices();

    return *activeScope->outputs;
}

juce::Array<juce::MidiDeviceInfo> listMidiInputs()
{
    if (activeScope == nullptr)
        return MidiPortSystem::getCurrent().getInputDevices();

    if (! activeScope->inputs.has_value())
        activeScope->inputs = MidiPortSystem::getCurrent().getInputDevices();

    return *activeScope->inputs;
}

juce::StringArray listMidiOutputNames()
{
    return namesOf (listMidiOutputs());
}

juce::StringArray listMidiInputNames()
{
    return namesOf (listMidiInputs());
}

void pauseMicroseconds (double microseconds)
{
    MidiPortSystem::getCurrent().pause (microseconds);
}

void waitDispatchingMessages (double milliseconds)
{
    MidiPortSystem::getCurrent().waitDispatchingMessages (milliseconds);
}

bool waitDispatchingMessagesUntil (const std::function<bool()>& done, double timeoutMilliseconds)
{
    return MidiPortSystem::getCurrent().waitDispatchingMessagesUntil (done, timeoutMilliseconds);
}

bool waitForReply (const std::function<bool()>& replied, double timeoutMicroseconds)
{
    return MidiPortSystem::getCurrent().waitForReply (replied, timeoutMicroseconds);
}

void wakeReplyWaiters()
{
    MidiPortSystem::getCurrent().wakeReplyWaiters();
}

} // namespace NsDravel

#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

#include <functional>
#include <memory>

namespace NsDravel
{

/** An opened MIDI input port. Messages reach the callback given when it was
    opened, on the port's own thread, between start() and stop(). A callback
    that had begun may still be running when stop() returns; releasing the
    object closes the port and waits for it, so only after the release may the
    callback's object go. */
class MidiInputPort
{
public:
    virtual ~MidiInputPort() = default;

    /** Starts delivering incoming messages to the callback. */
    virtual void start() = 0;

    /** Stops delivering new messages. */
    virtual void stop() = 0;

    /** The name under which the system lists this port. */
    virtual juce::String getName() const = 0;

    /** The identifier under which the system lists this port. */
    virtual juce::String getIdentifier() const = 0;
};

/** An opened MIDI output port. Releasing the object closes the port. */
class MidiOutputPort
{
public:
    virtual ~MidiOutputPort() = default;

    /** Sends one message at once. */
    virtual void sendMessageNow (const juce::MidiMessage& message) = 0;

    /** Sends every message of the buffer at once, in buffer order. */
    virtual void sendBlockOfMessagesNow (const juce::MidiBuffer& buffer) = 0;

    /** The name under which the system lists this port. */
    virtual juce::String getName() const = 0;

    /** The identifier under which the system lists this port. */
    virtual juce::String getIdentifier() const = 0;
};

/** The program's one way to the operating system's MIDI ports, and the clock
    that every pause between protocol messages goes through.

    The program uses the system's ports (through JUCE); tests install a
    simulated set of ports with setCurrent and restore the previous one after.
    Nothing else in the program touches JUCE's MIDI port classes.
*/
class MidiPortSystem
{
public:
    virtual ~MidiPortSystem() = default;

    /** The ports the program can read from, in the system's order. */
    virtual juce::Array<juce::MidiDeviceInfo> getInputDevices() = 0;

    /** The ports the program can send to, in the system's order. */
    virtual juce::Array<juce::MidiDeviceInfo> getOutputDevices() = 0;

    /** Opens an input by its identifier; null when it cannot be opened. The
        port is opened stopped: call start() to receive. */
    virtual std::unique_ptr<MidiInputPort> openInput (const juce::String& identifier,
                                                      juce::MidiInputCallback* callback) = 0;

    /** Opens an output by its identifier; null when it cannot be opened. */
    virtual std::unique_ptr<MidiOutputPort> openOutput (const juce::String& identifier) = 0;

    /** Blocks the calling thread for the given number of microseconds: never
        shorter, and only a few microseconds longer (it sleeps to just before
        the deadline with the thread's timer slack lowered, then spins). */
    virtual void pause (double microseconds);

    /** Blocks the calling thread until the condition holds or the time is up,
        testing the condition at once and again each time wakeReplyWaiters is
        called. Returns the condition's last answer. Any thread. */
    virtual bool waitForReply (const std::function<bool()>& replied, double timeoutMicroseconds);

    /** Makes every waitForReply test its condition again. MIDI input handlers
        call it after recording a reply. Any thread. */
    virtual void wakeReplyWaiters();

    /** Waits the given number of milliseconds while the message loop goes on
        dispatching, in slices of at most 100 ms, so that windows keep painting
        and keys reach them. Message thread only. */
    virtual void waitDispatchingMessages (double milliseconds);

    /** Runs the message loop until the condition holds or the time is up,
        testing the condition at once and after each message dispatched (or
        each millisecond without one), so that it returns within about a
        millisecond of the condition coming true. Returns the condition's
        last answer. An infinite time-out waits for the condition alone.
        Message thread only. */
    virtual bool waitDispatchingMessagesUntil (const std::function<bool()>& done, double timeoutMilliseconds);

    /** The port system in use now: the system's own unless a test installed
        another. */
    static MidiPortSystem& getCurrent();

    /** Installs a port system and returns the one it replaces (null stands for
        the system's own). Message thread, while no port is being opened. */
    static MidiPortSystem* setCurrent (MidiPortSystem* newSystem);

protected:
    MidiPortSystem() = default;

private:
    JUCE_DECLARE_NON_COPYABLE (MidiPortSystem)
};

/** The names of a list of ports, in list order. */
juce::StringArray namesOf (const juce::Array<juce::MidiDeviceInfo>& devices);

/** The pause between two protocol messages: every such wait of the program
    goes through here. Blocks the calling thread for at least the given time. */
void pauseMicroseconds (double microseconds);

/** A wait during which the message loop runs: every such wait of the program
    goes through here. Message thread only. */
void waitDispatchingMessages (double milliseconds);

/** A wait during which the message loop runs, for something another thread
    does: it ends as soon as the condition holds (see
    MidiPortSystem::waitDispatchingMessagesUntil), or when the time is up.
    True when the condition held in time. Message thread only. */
bool waitDispatchingMessagesUntil (const std::function<bool()>& done, double timeoutMilliseconds);

/** A wait for a device's reply that ends as soon as the reply is there (see
    MidiPortSystem::waitForReply): every such wait of the program goes through
    here. True when the condition held in time. Any thread. */
bool waitForReply (const std::function<bool()>& replied, double timeoutMicroseconds);

/** Called by a MIDI input handler after it recorded a reply, so that a thread
    waiting in waitForReply looks again. Any thread. */
void wakeReplyWaiters();

} // namespace NsDravel

#include "app/DemoRunnerApplication.h"

int main (int argc, char* argv[])
{
    // Installing the factory first also makes the framework treat this as a
    // standalone program, which gives it its own X error handler.
    juce::JUCEApplicationBase::createInstance = &createApplication;
    return juce::JUCEApplicationBase::main (argc, const_cast<const char**> (argv));
}

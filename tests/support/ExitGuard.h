#pragma once

#include <cstdio>
#include <cstdlib>

// While one lives, the test program ending (a slot calling std::exit inside the event loop)
// fails it, instead of ending the run with status 0 and the test functions after it unrun.
// A test object holds one: it lives from before the first test function to after the last.
class ExitGuard
{
public:
    ExitGuard()
    {
        static const bool registered = std::atexit(&check) == 0;
        active() = registered;
    }
    ~ExitGuard() { active() = false; }
    ExitGuard(const ExitGuard &) = delete;
    ExitGuard &operator=(const ExitGuard &) = delete;

private:
    static bool &active()
    {
        static bool on = false;
        return on;
    }
    static void check()
    {
        if (!active())
            return;
        std::fputs("FAIL: the program ended in the middle of its tests\n", stderr);
        std::_Exit(1);
    }
};

// The program's toolkit instance and its message loop.
#pragma once

#include <memory>

namespace xlt::ui {

class Application {
public:
    // Creates the toolkit instance, or uses the one that already exists (as in tests).
    Application(int& argc, char** argv);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Runs the message loop until no window of the program remains; returns the exit code.
    int run();

    // SIGINT, SIGTERM and SIGHUP close every window as the user would, so that a program
    // stopped from a terminal or a session manager still saves its state.
    void close_windows_on_signals();

    // Handles the events waiting now, without blocking.
    static void process_events();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace xlt::ui

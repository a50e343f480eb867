#include "platform/ui/application.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <csignal>

#include "platform/ui/fonts.h"

namespace xlt::ui {
namespace {

// The write end of the pipe through which a signal handler wakes the message loop.
int signal_pipe_write = -1;

void on_signal(int) {
    if (signal_pipe_write >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(signal_pipe_write, &byte, 1);
    }
}

}  // namespace

struct Application::Impl {
    std::unique_ptr<QApplication> owned;
    QSocketNotifier* notifier = nullptr;
    int pipe_read = -1;
};

Application::Application(int& argc, char** argv) : impl_(std::make_unique<Impl>()) {
    if (QApplication::instance() == nullptr) {
        impl_->owned = std::make_unique<QApplication>(argc, argv);
    }
    QApplication::setApplicationName(QStringLiteral("xilitong"));
    // The window designs are measured in a 12-pixel Song typeface, the usual face of
    // Chinese desktop programs; every control uses it where the system has one.
    QApplication::setFont(song_font(12));
}

Application::~Application() {
    if (impl_->notifier != nullptr) {
        delete impl_->notifier;
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        std::signal(SIGHUP, SIG_DFL);
        ::close(impl_->pipe_read);
        ::close(signal_pipe_write);
        signal_pipe_write = -1;
    }
}

int Application::run() {
    return QApplication::exec();
}

void Application::close_windows_on_signals() {
    if (impl_->notifier != nullptr) {
        return;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    impl_->pipe_read = fds[0];
    signal_pipe_write = fds[1];
    impl_->notifier = new QSocketNotifier(fds[0], QSocketNotifier::Read);
    QObject::connect(impl_->notifier, &QSocketNotifier::activated, [fd = fds[0]] {
        char buffer[16];
        while (::read(fd, buffer, sizeof buffer) > 0) {
        }
        QApplication::closeAllWindows();
    });
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

void Application::process_events() {
    QApplication::processEvents();
}

}  // namespace xlt::ui

#include "ui/termination.hpp"

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <csignal>

namespace murelta::ui {

namespace {

// The handler may only write to a descriptor; the notifier reads it in the event loop.
int signalSockets[2] = {-1, -1};

void onTerminate(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
    std::signal(SIGTERM, SIG_DFL);
}

}  // namespace

TerminationWatcher::TerminationWatcher(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalSockets) != 0) {
        return;  // SIGTERM then ends the program as it would without a watcher
    }
    notifier_ = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationWatcher::readSignal);
    std::signal(SIGTERM, onTerminate);
}

TerminationWatcher::~TerminationWatcher() {
    std::signal(SIGTERM, SIG_DFL);
    for (int& socket : signalSockets) {
        if (socket >= 0) {
            ::close(socket);
            socket = -1;
        }
    }
}

void TerminationWatcher::readSignal() {
    char byte = 0;
    [[maybe_unused]] const ssize_t read = ::read(signalSockets[1], &byte, 1);
    emit terminationRequested();
}

}  // namespace murelta::ui

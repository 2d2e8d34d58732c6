#include "released.hpp"

#include <pybind11/pybind11.h>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

namespace py = pybind11;

namespace murelta::python {

namespace {

// Short enough that Ctrl-C feels immediate, long enough that the GIL is not fought over.
constexpr std::chrono::milliseconds kSignalPause{50};

}  // namespace

void runReleased(const std::function<void(std::stop_token)>& work) {
    std::optional<py::error_already_set> interrupt;
    std::exception_ptr failure;
    {
        const py::gil_scoped_release released;
        std::mutex mutex;
        std::condition_variable ended;
        bool done = false;
        std::jthread worker([&](std::stop_token stop) {
            try {
                work(stop);
            } catch (...) {
                failure = std::current_exception();
            }
            const std::lock_guard lock(mutex);
            done = true;
            ended.notify_one();
        });
        std::unique_lock lock(mutex);
        while (!ended.wait_for(lock, kSignalPause, [&] { return done; })) {
            if (interrupt) {
                continue;  // asked to stop already: waiting for the work to end
            }
            lock.unlock();
            {
                const py::gil_scoped_acquire held;
                if (PyErr_CheckSignals() != 0) {
                    interrupt.emplace();  // takes the exception the handler raised
                    worker.request_stop();
                }
            }
            lock.lock();
        }
    }
    // A stop asked for ends the work with Stopped, or with an incomplete result: what the
    // handler raised says why.
    if (interrupt) {
        throw std::move(*interrupt);
    }
    if (failure != nullptr) {
        std::rethrow_exception(failure);
    }
}

}  // namespace murelta::python

#include "ui/run_controller.hpp"

#include <exception>

#include "run/simulation.hpp"
#include "sim/error.hpp"

namespace murelta::ui {

RunController::RunController(QObject* parent) : QObject(parent) {
    connect(&timer_, &QTimer::timeout, this, &RunController::tick);
}

RunController::~RunController() = default;

void RunController::start(std::unique_ptr<Simulation> simulation) {
    simulation_ = std::move(simulation);
    failure_ = nullptr;
    paused_ = false;
    waiting_ = false;
    stepping_ = false;
    sinceFrame_.start();
    timer_.start(0);
}

void RunController::pause() {
    if (!running() || paused_) {
        return;
    }
    paused_ = true;
    timer_.stop();
    if (waiting_) {
        return;  // the pause begins once the user has answered, at the next cycle
    }
    if (simulation_->point().cycle == 0) {
        // Between two runs nothing is on show yet: the pause holds after the next cycle.
        stepping_ = true;
        tick();
        return;
    }
    // Queued, so that whoever pressed Pause has returned before the window shows the cycle.
    QMetaObject::invokeMethod(this, &RunController::cycleShown, Qt::QueuedConnection);
}

void RunController::resume() {
    if (!running() || !paused_) {
        return;
    }
    paused_ = false;
    if (!waiting_) {
        timer_.start(0);
    }
}

void RunController::step() {
    if (!running() || !paused_ || waiting_) {
        return;
    }
    stepping_ = true;
    tick();
}

void RunController::stop() {
    if (!running()) {
        return;
    }
    simulation_->stop();
    paused_ = false;
    stepping_ = false;
    if (!waiting_) {
        timer_.start(0);
    }
}

void RunController::acknowledge() {
    if (!waiting_) {
        return;
    }
    waiting_ = false;
    if (paused_) {
        stepping_ = true;  // up to the first cycle of the next run, where the pause holds
        tick();
    } else {
        timer_.start(0);
    }
}

void RunController::tick() {
    if (!running() || waiting_ || (paused_ && !stepping_)) {
        timer_.stop();
        return;
    }
    if (stepping_) {
        // Up to the next cycle, or the next question to the user on the way.
        while (advanceOnce()) {
            if (simulation_ != nullptr && simulation_->point().cycle > 0) {
                stepping_ = false;
                QMetaObject::invokeMethod(this, &RunController::cycleShown, Qt::QueuedConnection);
                return;
            }
        }
        return;
    }
    if (delay_ > 0) {
        // Every cycle is shown, then the timer waits.
        timer_.setInterval(delay_);
        if (advanceOnce()) {
            emit frame();
            sinceFrame_.restart();
        }
        return;
    }
    timer_.setInterval(0);
    QElapsedTimer slice;
    slice.start();
    while (slice.elapsed() < kSliceMs) {
        if (!advanceOnce()) {
            return;
        }
    }
    if (sinceFrame_.elapsed() >= kFrameMs) {
        emit frame();
        sinceFrame_.restart();
    }
}

bool RunController::advanceOnce() {
    Advance step = Advance::kFinished;
    try {
        step = simulation_->advance();
    } catch (...) {
        failure_ = std::current_exception();
        emit failed();
        end();
        return false;
    }
    if (step == Advance::kFinished) {
        end();
        return false;
    }
    if (simulation_->runEndToAcknowledge()) {
        waiting_ = true;
        timer_.stop();
        emit frame();
        QMetaObject::invokeMethod(this, &RunController::runEndReached, Qt::QueuedConnection);
        return false;
    }
    return true;
}

void RunController::end() {
    timer_.stop();
    paused_ = false;
    stepping_ = false;
    waiting_ = false;
    const std::unique_ptr<Simulation> ended = std::move(simulation_);
    emit finished(ended.get());
}

}  // namespace murelta::ui

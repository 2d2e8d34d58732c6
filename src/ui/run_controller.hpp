// Drives a simulation from the window's event loop: a timer advances it a time slice at a
// time, or a cycle at a time at a slow pace, and pause, step, resume and stop change what the
// next tick does. Nothing waits in a loop of its own, so every click is an ordinary event and
// nothing re-enters the simulation while it is advancing.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <exception>
#include <memory>

namespace murelta {
class Simulation;
}

namespace murelta::ui {

class RunController : public QObject {
    Q_OBJECT

  public:
    explicit RunController(QObject* parent = nullptr);
    ~RunController() override;

    // Starts advancing `simulation` from the event loop; it belongs to the controller until
    // finished() has been emitted.
    void start(std::unique_ptr<Simulation> simulation);
    bool running() const { return simulation_ != nullptr; }
    bool paused() const { return paused_; }
    Simulation* simulation() const { return simulation_.get(); }
    // What ended the simulation, after failed().
    std::exception_ptr failure() const { return failure_; }

    // The pause after each cycle; 0 runs at full speed, showing a frame now and then.
    void setCycleDelay(int milliseconds) { delay_ = milliseconds; }

    void pause();
    void resume();
    // One cycle while paused; cycleShown() follows.
    void step();
    // "Stop": the simulation ends at the next tick, also from a pause.
    void stop();
    // The user answered the run-end message: the simulation goes on.
    void acknowledge();

    // The most the timer advances at full speed before the window gets its turn, and how
    // often the picture is refreshed then.
    static constexpr int kSliceMs = 10;
    static constexpr int kFrameMs = 40;

  signals:
    // Time to show the state: after every cycle at a slow pace, now and then at full speed.
    void frame();
    // Paused: once when the pause begins and after each step.
    void cycleShown();
    // A drawn run of several ended: the window asks the user, then calls acknowledge().
    void runEndReached();
    // The simulation is over; `simulation` is there to be read until the handlers return, and
    // running() is false meanwhile.
    void finished(murelta::Simulation* simulation);
    // The simulation ended with an error, which failure() holds; finished() follows.
    void failed();

  private:
    void tick();
    // One step; false when the simulation has to wait for the user or is over.
    bool advanceOnce();
    void end();

    std::unique_ptr<Simulation> simulation_;
    std::exception_ptr failure_;
    QTimer timer_;
    QElapsedTimer sinceFrame_;
    int delay_ = 0;
    bool paused_ = false;
    bool waiting_ = false;   // for acknowledge()
    bool stepping_ = false;  // a step goes on after the run-end message
};

}  // namespace murelta::ui

// SIGTERM (what `kill` and a cluster's time limit send) turned into a Qt signal, so that the
// desktop program ends as if its window were closed rather than dying with its results.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace murelta::ui {

class TerminationWatcher : public QObject {
    Q_OBJECT

  public:
    // Installs the handler; one watcher per process. A second SIGTERM while the first is being
    // handled ends the process at once.
    explicit TerminationWatcher(QObject* parent = nullptr);
    ~TerminationWatcher() override;

  signals:
    void terminationRequested();

  private:
    void readSignal();

    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace murelta::ui

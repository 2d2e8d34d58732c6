// Takes a picture of a paused "Tab 10b" run with its messages, trails and the Agent panel on the
// leader: watch_screenshot [file.png]
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "network/presets.hpp"
#include "screenshot_session.hpp"
#include "sim/state.hpp"
#include "ui/arena_view.hpp"
#include "ui/main_window.hpp"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const ScreenshotSession session(argc, argv, "watch.png");
    const QString& outPath = session.outPath;

    murelta::SimState state;
    murelta::ui::MainWindow window(state);
    window.resize(1500, 900);
    window.show();
    const auto button = [&](const char* name) {
        return window.findChild<QAbstractButton*>(QString::fromLatin1(name));
    };
    button("Command2")->click();
    murelta::applyPreset(state, "Tab 10b", "10");
    button("chkMessages")->click();
    button("chkTrails")->click();

    // Paused at once, then stepped until the group has talked for a while and a cycle
    // delivers messages; the leader is then clicked, as a user clicks it.
    bool saved = false;
    int shown = 0;
    murelta::ui::ArenaView& arena = *window.arena();
    QObject::connect(&window, &murelta::ui::MainWindow::cycleShown, &window, [&] {
        if (++shown < 150 || (arena.messageLines().size() < 3 && shown < 5000)) {
            button("cmdStep")->click();
            return;
        }
        const murelta::ui::ArenaMarker& m = arena.agentMarkers()[0];
        const QPointF centre((m.left + m.width / 2) / murelta::ui::ArenaView::kDesignWidth *
                                 static_cast<float>(arena.width()),
                             (m.top + m.height / 2) / murelta::ui::ArenaView::kDesignHeight *
                                 static_cast<float>(arena.height()));
        QTest::mouseClick(&arena, Qt::LeftButton, {}, centre.toPoint());
        arena.repaint();
        saved = window.grab().save(outPath);
        window.close();
    });
    QTimer::singleShot(0, &window, [&] { button("Command1")->click(); });
    QTimer::singleShot(0, &window, [&] { button("cmdPause")->click(); });
    QApplication::exec();
    std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(outPath));
    return saved ? 0 : 1;
}

// Takes a picture of the main window during a run, its charts filling beside the arena:
//   main_window_screenshot [file.png [WIDTHxHEIGHT]]   (the window's size, 1500x760 by default)
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QPushButton>
#include <QSize>
#include <QSlider>
#include <QStringList>
#include <QTimer>
#include <cstdio>

#include "screenshot_session.hpp"
#include "sim/state.hpp"
#include "ui/designer_window.hpp"
#include "ui/group_dialog.hpp"
#include "ui/main_window.hpp"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const ScreenshotSession session(argc, argv, "main.png");
    const QString& outPath = session.outPath;

    murelta::SimState state;
    murelta::ui::MainWindow window(state);
    QSize size(1500, 760);
    if (argc > 2) {
        const QStringList parts = QString::fromLocal8Bit(argv[2]).split(QLatin1Char('x'));
        if (parts.size() == 2) {
            size = QSize(parts[0].toInt(), parts[1].toInt());
        }
    }
    window.resize(size);
    window.findChild<QSlider*>(QStringLiteral("sldSpeed"))
        ->setValue(murelta::ui::MainWindow::kFullSpeed);
    window.show();

    bool saved = false;
    QTimer::singleShot(1200, &window, [&] {
        saved = window.grab().save(outPath);
        window.close();
    });
    QTimer::singleShot(
        0, &window, [&] { window.findChild<QPushButton*>(QStringLiteral("Command1"))->click(); });
    QApplication::exec();
    std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(outPath));
    return saved ? 0 : 1;
}

// What every picture of a running main window starts from: the file named on the command line
// (or a default), a folder of its own for the data files the run leaves, and messages answered
// at once so that nothing waits for a click.
#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include "ui/message_box.hpp"

struct ScreenshotSession {
    // After the QApplication is made.
    ScreenshotSession(int argc, char** argv, const char* defaultName)
        : outPath(QDir::current().absoluteFilePath(argc > 1 ? QString::fromLocal8Bit(argv[1])
                                                            : QString::fromLatin1(defaultName))) {
        QDir::setCurrent(work.path());
        murelta::ui::setMessageHandler(
            [](QWidget*, const QString&, const QString&, murelta::ui::MessageIcon) {});
    }

    QString outPath;
    QTemporaryDir work;
};

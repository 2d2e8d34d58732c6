// Helpers that drive windows as a user would, shared by the window tests and the screenshot
// program.
#pragma once

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QByteArray>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QSize>
#include <QString>
#include <QTest>
#include <QWidget>
#include <functional>
#include <vector>

#include "ui/message_box.hpp"

namespace murelta::ui {

// The control `name` of `parent`; stops the test program when there is none, since every
// later step would be meaningless.
template <typename T>
T* child(QWidget& parent, const char* name) {
    T* widget = parent.findChild<T*>(QString::fromLatin1(name));
    if (widget == nullptr) {
        qFatal("no control %s", name);
    }
    return widget;
}

// A click as the user makes it: nothing happens on a disabled button.
inline void click(QWidget& parent, const char* button) {
    child<QAbstractButton>(parent, button)->click();
}

// Replaces a box's text, typed key by key as the user does; a character beyond ASCII, which
// has no key of its own, comes as the text of an unnamed key, as an input method sends it.
inline void type(QWidget& parent, const char* box, const QString& text) {
    auto* edit = child<QLineEdit>(parent, box);
    edit->selectAll();
    if (text.isEmpty()) {
        QTest::keyClick(edit, Qt::Key_Delete);
    }
    for (const QChar c : text) {
        if (c.unicode() < 128) {
            QTest::keyClick(edit, c.toLatin1());
        } else {
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
}

// The whole file, or nothing when it cannot be read.
inline QByteArray readFile(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A modal message as the windows showed it.
struct Shown {
    QString text;
    QString title;
    MessageIcon icon;
};

// Records the windows' modal messages instead of showing them, while it lives. `onMessage`,
// when set, answers each one (pressing Stop, say) before the window goes on. The questions
// about unsaved changes are recorded apart and answered with `saveAnswer`.
class MessageRecorder {
  public:
    MessageRecorder() {
        setMessageHandler(
            [this](QWidget*, const QString& text, const QString& title, MessageIcon icon) {
                messages.push_back({text, title, icon});
                if (onMessage) {
                    onMessage(messages.back());
                }
            });
        setSaveQuestion([this](QWidget*, const QString& text) {
            questions.push_back(text);
            return saveAnswer;
        });
    }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;
    ~MessageRecorder() {
        setMessageHandler({});
        setSaveQuestion({});
    }

    std::vector<Shown> messages;
    std::function<void(const Shown&)> onMessage;
    std::vector<QString> questions;
    SaveAnswer saveAnswer = SaveAnswer::Discard;
};

// Presses "Start" on `window` (a main window) and waits, as a user watching it would, until
// the simulation it started has ended; at once when "Start" was refused.
template <typename MainWindowType>
void runToEnd(MainWindowType& window) {
    click(window, "Command1");
    while (window.simulationRunning()) {
        QTest::qWait(1);
    }
}

// Resizes the shown `window` until its child "pictAr" is side x side pixels; false when the
// layout does not allow it.
inline bool fitPicture(QWidget& window, int side) {
    if (!QTest::qWaitForWindowExposed(&window)) {
        return false;
    }
    auto* picture = window.findChild<QWidget*>(QStringLiteral("pictAr"));
    if (picture == nullptr) {
        return false;
    }
    const QSize wanted(side, side);
    for (int attempt = 0; attempt < 5 && picture->size() != wanted; ++attempt) {
        window.resize(window.size() + wanted - picture->size());
        QCoreApplication::processEvents();
    }
    return picture->size() == wanted;
}

// Picks `item` in the list the way a user does with the keyboard: open the list, move to the
// item, press Return.
inline bool pickComboItem(QComboBox* combo, const QString& item) {
    const int row = combo->findText(item);
    if (row < 0) {
        return false;
    }
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    if (!QTest::qWaitFor([&] { return view->isVisible(); })) {
        return false;
    }
    view->setCurrentIndex(view->model()->index(row, combo->modelColumn()));
    QTest::keyClick(view, Qt::Key_Return);
    return QTest::qWaitFor([&] { return !view->isVisible(); }) && combo->currentIndex() == row;
}

}  // namespace murelta::ui

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

namespace murelta::ui {

// The control of `parent` with object name `name`; a missing one ends the test program, since
// every later step would be meaningless.
template <typename T>
T* child(QWidget& parent, const char* name) {
    T* widget = parent.findChild<T*>(QString::fromLatin1(name));
    if (widget == nullptr) {
        qFatal("no control %s", name);
    }
    return widget;
}

// Replaces the text of the box `box` by `text`, typed key by key; a character beyond ASCII,
// which has no key of its own, comes as the text of an unnamed key, as an input method sends it.
inline void type(QWidget& window, const char* box, const QString& text) {
    auto* edit = child<QLineEdit>(window, box);
    edit->clear();
    for (const QChar c : text) {
        if (c.unicode() < 128) {
            QTest::keyClick(edit, c.toLatin1());
        } else {
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
}

// A click as the user makes it: nothing happens on a disabled button.
inline void click(QWidget& window, const char* button) {
    child<QAbstractButton>(window, button)->click();
}

// The whole file, or nothing when it cannot be read.
inline QByteArray readFile(const QString& name) {
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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

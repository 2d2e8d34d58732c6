// Helpers that drive windows as a user would, shared by the window tests and the screenshot
// program.
#pragma once

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QSize>
#include <QString>
#include <QTest>
#include <QWidget>

namespace murelta::ui {

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

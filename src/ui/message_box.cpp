#include "ui/message_box.hpp"

#include "ui/look.hpp"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <exception>
#include <new>

#include "sim/error.hpp"

namespace murelta::ui {

namespace {

MessageHandler& handler() {
    static MessageHandler current;
    return current;
}

FolderChooser& folderChooser() {
    static FolderChooser current;
    return current;
}

}  // namespace

void showMessage(QWidget* parent, const QString& text, const QString& title, MessageIcon icon) {
    if (handler()) {
        handler()(parent, text, title, icon);
        return;
    }
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    switch (icon) {
        case MessageIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MessageIcon::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case MessageIcon::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
    }
    box.exec();
}

void setMessageHandler(MessageHandler newHandler) {
    handler() = std::move(newHandler);
}

QString chooseFolder(QWidget* parent, const QString& caption) {
    if (folderChooser()) {
        return folderChooser()(parent, caption);
    }
    return QFileDialog::getExistingDirectory(parent, caption, QDir::homePath());
}

void setFolderChooser(FolderChooser chooser) {
    folderChooser() = std::move(chooser);
}

bool runCommand(QWidget* parent, const std::function<void()>& body) {
    try {
        body();
        return true;
    } catch (const Error& e) {
        showMessage(parent, QString::fromStdString(e.what()), kAppTitle, MessageIcon::Exclamation);
    } catch (const std::bad_alloc&) {
        showMessage(parent, QStringLiteral("There is not enough memory for this command."),
                    kAppTitle, MessageIcon::Critical);
    } catch (const std::exception& e) {
        showMessage(parent, QStringLiteral("Unexpected error: %1").arg(e.what()), kAppTitle,
                    MessageIcon::Critical);
    }
    return false;
}

}  // namespace murelta::ui

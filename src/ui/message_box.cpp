#include "ui/message_box.hpp"

#include "ui/look.hpp"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>
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

FileChooser& fileChooser() {
    static FileChooser current;
    return current;
}

SaveQuestion& saveQuestion() {
    static SaveQuestion current;
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

QString chooseExperimentFile(QWidget* parent, FileChoice choice, const QString& caption,
                             const QString& start) {
    return chooseFile(parent, choice, caption, start,
                      QStringLiteral("Experiments (*.toml);;All files (*)"));
}

QString chooseFile(QWidget* parent, FileChoice choice, const QString& caption, const QString& start,
                   const QString& filter) {
    if (fileChooser()) {
        return fileChooser()(parent, choice, caption, start);
    }
    QFileDialog dialog(parent, caption, start, filter);
    const bool saving = choice == FileChoice::Save;
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // A name typed without a suffix still gets one the program reads: that of the filter.
    const auto suffixOf = [](const QString& nameFilter) {
        const qsizetype dot = nameFilter.indexOf(QStringLiteral("(*."));
        if (dot < 0) {
            return QString();
        }
        const qsizetype end =
            nameFilter.indexOf(QRegularExpression(QStringLiteral("[ )]")), dot + 3);
        return nameFilter.mid(dot + 3, end - dot - 3);
    };
    dialog.setDefaultSuffix(suffixOf(filter));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&](const QString& selected) { dialog.setDefaultSuffix(suffixOf(selected)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

void setFileChooser(FileChooser chooser) {
    fileChooser() = std::move(chooser);
}

SaveAnswer askToSave(QWidget* parent, const QString& text) {
    if (saveQuestion()) {
        return saveQuestion()(parent, text);
    }
    QMessageBox box(parent);
    box.setWindowTitle(kAppTitle);
    box.setIcon(QMessageBox::Warning);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
        case QMessageBox::Save:
            return SaveAnswer::Save;
        case QMessageBox::Discard:
            return SaveAnswer::Discard;
        default:
            // Escape and the window's close button keep everything, as Cancel does.
            return SaveAnswer::Cancel;
    }
}

void setSaveQuestion(SaveQuestion question) {
    saveQuestion() = std::move(question);
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

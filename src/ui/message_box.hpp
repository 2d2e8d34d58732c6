// The one way the windows show a modal message, so that tests can record and answer them.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace murelta::ui {

enum class MessageIcon { Information, Exclamation, Critical };

// Shows a modal message box with an OK button and waits until it is closed.
void showMessage(QWidget* parent, const QString& text, const QString& title, MessageIcon icon);

// Replaces how messages are shown (tests record them instead); an empty function restores the
// real message box.
using MessageHandler = std::function<void(QWidget* parent, const QString& text,
                                          const QString& title, MessageIcon icon)>;
void setMessageHandler(MessageHandler handler);

// Asks the user for a folder (an empty text when cancelled); tests replace how it is asked.
QString chooseFolder(QWidget* parent, const QString& caption);
using FolderChooser = std::function<QString(QWidget* parent, const QString& caption)>;
void setFolderChooser(FolderChooser chooser);

// Asks for an experiment file (*.toml) to open, or a name to save one under, starting at
// `start` (a folder or a file); an empty text when cancelled. Tests replace how it is asked.
enum class FileChoice { Open, Save };
QString chooseExperimentFile(QWidget* parent, FileChoice choice, const QString& caption,
                             const QString& start);
using FileChooser = std::function<QString(QWidget* parent, FileChoice choice,
                                          const QString& caption, const QString& start)>;
void setFileChooser(FileChooser chooser);
// The same for any file: `filter` as a file dialog takes it ("PNG image (*.png);;..."). A
// name typed without a suffix gets that of the filter chosen. Tests replace it with the
// experiment file's chooser.
QString chooseFile(QWidget* parent, FileChoice choice, const QString& caption, const QString& start,
                   const QString& filter);

// What "Open Results..." lists: a simulation's record, or a sweep's or a calibration's tables.
inline const QString kResultsFilter =
    QStringLiteral("Records, sweep and calibration tables (*.toml *.csv);;All files (*)");

// Asks whether changes that would be lost are saved first; tests replace how it is asked.
enum class SaveAnswer { Save, Discard, Cancel };
SaveAnswer askToSave(QWidget* parent, const QString& text);
using SaveQuestion = std::function<SaveAnswer(QWidget* parent, const QString& text)>;
void setSaveQuestion(SaveQuestion question);

// Runs a command's body; an error it throws is shown in a message box naming what went wrong.
// What the body changed before the error stays changed. Returns false when it failed.
bool runCommand(QWidget* parent, const std::function<void()>& body);

}  // namespace murelta::ui

// The experiment file the main window holds: its name, the text it held when last opened,
// saved or made new (so that the window knows whether what "Start" would run differs from
// it), and the files opened or saved lately, kept between sessions.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <string>

#include "experiment/experiment.hpp"

class QSettings;

namespace murelta::ui {

class ExperimentDocument : public QObject {
    Q_OBJECT

  public:
    // The most files the recent list keeps.
    static constexpr int kMaxRecentFiles = 5;

    // `settings` keeps the recent files between sessions; without it they last this session
    // only.
    explicit ExperimentDocument(QSettings* settings, QObject* parent = nullptr);

    // Empty for an experiment never saved.
    const QString& fileName() const { return fileName_; }
    // The file's name, or "Untitled".
    QString name() const;
    // Its name without the suffix, as the window's title shows it.
    QString shortName() const;
    // Where the open and save dialogs start.
    QString folder() const;

    // Whether `text`, the experimentText of what "Start" would run, would be lost: it is not
    // what the file holds, or nothing would run (empty).
    bool modified(const std::string& text) const { return text.empty() || text != savedText_; }
    // After New, Open or Save: the file (none for a new experiment) holds `text`.
    void setCurrent(const QString& path, const std::string& text);
    // A run left what matched the file matching it, in the text it now has.
    void keepSaved(const std::string& text) { savedText_ = text; }
    const std::string& savedText() const { return savedText_; }

    // Writes `e` to `path`, replacing it only once whole, and makes it the current file.
    // Throws Error naming the file when it cannot be written.
    void save(const QString& path, const Experiment& e);

    // Most recent first.
    const QStringList& recentFiles() const { return recentFiles_; }

  signals:
    void recentFilesChanged();

  private:
    void addRecentFile(const QString& path);

    QSettings* settings_;
    QString fileName_;
    std::string savedText_;
    QStringList recentFiles_;
};

}  // namespace murelta::ui

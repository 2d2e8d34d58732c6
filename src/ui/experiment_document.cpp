#include "ui/experiment_document.hpp"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace murelta::ui {

namespace {

const QString kRecentFilesKey = QStringLiteral("recentFiles");

}  // namespace

ExperimentDocument::ExperimentDocument(QSettings* settings, QObject* parent)
    : QObject(parent), settings_(settings) {
    if (settings_ != nullptr) {
        recentFiles_ = settings_->value(kRecentFilesKey).toStringList();
    }
}

QString ExperimentDocument::name() const {
    return fileName_.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(fileName_).fileName();
}

QString ExperimentDocument::shortName() const {
    return fileName_.isEmpty() ? QStringLiteral("Untitled")
                               : QFileInfo(fileName_).completeBaseName();
}

QString ExperimentDocument::folder() const {
    return fileName_.isEmpty() ? QDir::currentPath() : QFileInfo(fileName_).absolutePath();
}

void ExperimentDocument::setCurrent(const QString& path, const std::string& text) {
    fileName_ = path;
    savedText_ = text;
    if (!path.isEmpty()) {
        addRecentFile(path);
    }
}

void ExperimentDocument::save(const QString& path, const Experiment& e) {
    writeExperiment(std::filesystem::path(path.toStdString()), e);
    setCurrent(path, experimentText(e));
}

void ExperimentDocument::addRecentFile(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    recentFiles_.removeAll(absolute);
    recentFiles_.prepend(absolute);
    while (recentFiles_.size() > kMaxRecentFiles) {
        recentFiles_.removeLast();
    }
    if (settings_ != nullptr) {
        settings_->setValue(kRecentFilesKey, recentFiles_);
    }
    emit recentFilesChanged();
}

}  // namespace murelta::ui

// The "Group Settings" dialog: runs, cycles, one of two group sizes and the data file's label.
// It hands what the user chose to whoever opened it, which applies it to the main window, sets
// the parameters and opens the designer.
#pragma once

#include <QDialog>

class QLineEdit;
class QRadioButton;

namespace murelta::ui {

class GroupDialog : public QDialog {
    Q_OBJECT

  public:
    explicit GroupDialog(QWidget* parent = nullptr);

    // The name part of the data file, as typed.
    QString label() const;

  signals:
    // A click on one of the group sizes, "10" or "50".
    void groupSizeClicked(const QString& agents);
    // OK with the runs and cycles as typed. The receiver accepts the dialog once they are in
    // force and leaves it open when one is refused, so that it can be corrected.
    void okClicked(const QString& runs, const QString& cycles);

  private slots:
    void Option1_Click(int index);
    void OKButton_Click();
    void CancelButton_Click();

  private:
    QLineEdit* runTxt_;
    QLineEdit* cycleTxt_;
    QLineEdit* networkLabel_;
    QRadioButton* option10_;
    QRadioButton* option50_;
};

}  // namespace murelta::ui

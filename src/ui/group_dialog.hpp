// The "Group Settings" dialog: runs, cycles, one of two group sizes and the data file's label,
// applied to the main window, which then sets the parameters and opens the designer.
#pragma once

#include <QDialog>

class QLineEdit;
class QRadioButton;

namespace murelta::ui {

class MainWindow;

class GroupDialog : public QDialog {
    Q_OBJECT

  public:
    explicit GroupDialog(MainWindow& main);

    // The name part of the data file, as typed.
    QString label() const;

    void Option1_Click(int index);
    void OKButton_Click();
    void CancelButton_Click();

  private:
    MainWindow& main_;
    QLineEdit* runTxt_;
    QLineEdit* cycleTxt_;
    QLineEdit* networkLabel_;
    QRadioButton* option10_;
    QRadioButton* option50_;
};

}  // namespace murelta::ui

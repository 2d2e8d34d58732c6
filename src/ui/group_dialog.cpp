#include "ui/group_dialog.hpp"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "run/data_file.hpp"
#include "sim/params.hpp"

namespace murelta::ui {

GroupDialog::GroupDialog(QWidget* parent) : QDialog(parent) {
    const Params defaults;
    setObjectName(QStringLiteral("groupDialog"));
    setWindowTitle(QStringLiteral("Group Settings"));

    auto* runsFrame = new QGroupBox(QStringLiteral("Runs and Cycles"), this);
    auto* runsLayout = new QFormLayout(runsFrame);
    runTxt_ = new QLineEdit(QString::fromStdString(defaults.runs), runsFrame);
    runTxt_->setObjectName(QStringLiteral("runTxt"));
    cycleTxt_ = new QLineEdit(QString::fromStdString(defaults.cycles), runsFrame);
    cycleTxt_->setObjectName(QStringLiteral("cycleTxt"));
    auto* runsLabel = new QLabel(QStringLiteral("Runs"), runsFrame);
    runsLabel->setObjectName(QStringLiteral("label"));
    auto* cyclesLabel = new QLabel(QStringLiteral("Cycles"), runsFrame);
    cyclesLabel->setObjectName(QStringLiteral("Label1"));
    runsLayout->addRow(runsLabel, runTxt_);
    runsLayout->addRow(cyclesLabel, cycleTxt_);

    auto* groupFrame = new QGroupBox(QStringLiteral("Group size"), this);
    auto* groupLayout = new QHBoxLayout(groupFrame);
    option10_ = new QRadioButton(QStringLiteral("10"), groupFrame);
    option10_->setObjectName(QStringLiteral("Option1_0"));
    option10_->setChecked(true);
    option50_ = new QRadioButton(QStringLiteral("50"), groupFrame);
    option50_->setObjectName(QStringLiteral("Option1_1"));
    groupLayout->addWidget(option10_);
    groupLayout->addWidget(option50_);

    auto* nameLayout = new QFormLayout;
    networkLabel_ = new QLineEdit(
        QString::fromUtf8(kDefaultLabel.data(), static_cast<qsizetype>(kDefaultLabel.size())),
        this);
    networkLabel_->setObjectName(QStringLiteral("networkLabel"));
    auto* nameLabel = new QLabel(QStringLiteral("File name:"), this);
    nameLabel->setObjectName(QStringLiteral("Label6"));
    nameLayout->addRow(nameLabel, networkLabel_);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(runsFrame);
    layout->addWidget(groupFrame);
    layout->addLayout(nameLayout);
    layout->addLayout(buttons);

    // A click, not a programmatic change, hands the group size on.
    connect(option10_, &QRadioButton::clicked, this, [this] { Option1_Click(0); });
    connect(option50_, &QRadioButton::clicked, this, [this] { Option1_Click(1); });
    connect(ok, &QPushButton::clicked, this, &GroupDialog::OKButton_Click);
    connect(cancel, &QPushButton::clicked, this, &GroupDialog::CancelButton_Click);
}

QString GroupDialog::label() const {
    return networkLabel_->text();
}

void GroupDialog::Option1_Click(int index) {
    emit groupSizeClicked(index == 0 ? QStringLiteral("10") : QStringLiteral("50"));
}

void GroupDialog::OKButton_Click() {
    emit okClicked(runTxt_->text(), cycleTxt_->text());
}

void GroupDialog::CancelButton_Click() {
    reject();
}

}  // namespace murelta::ui

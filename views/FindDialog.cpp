#include "FindDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zor {

namespace {
constexpr int kHistoryLength = 16;
constexpr int kAllColumns = -1;
constexpr int kTextBoxCharacters = 24;
} // namespace

FindDialog::FindDialog(QWidget* parent)
    : QDialog(parent), text_(new QComboBox(this)), column_(new QComboBox(this)),
      match_(new QComboBox(this)), up_(new QRadioButton(tr("Up"), this)),
      down_(new QRadioButton(tr("Down"), this)), all_(new QRadioButton(tr("All"), this)),
      ignoreCase_(new QCheckBox(tr("Ignore case"), this)),
      ignoreFormat_(new QCheckBox(tr("Ignore display format"), this)), result_(new QLabel(this)),
      findNext_(new QPushButton(tr("Find Next"), this)),
      close_(new QPushButton(tr("Close"), this)) {
    setWindowTitle(tr("Find"));
    text_->setEditable(true);
    text_->setInsertPolicy(QComboBox::NoInsert);
    text_->setMaxCount(kHistoryLength);
    text_->setMinimumContentsLength(kTextBoxCharacters);
    column_->addItem(tr("All columns"), kAllColumns);
    match_->addItem(tr("Any part of the value"), int(FindOptions::Match::Anywhere));
    match_->addItem(tr("Whole value"), int(FindOptions::Match::WholeValue));
    match_->addItem(tr("Start of the value"), int(FindOptions::Match::FromStart));
    down_->setChecked(true);
    ignoreCase_->setChecked(false);
    ignoreFormat_->setChecked(true);

    auto* form = new QFormLayout;
    form->addRow(tr("Text to find:"), text_);
    form->addRow(tr("Look in:"), column_);
    form->addRow(tr("Match:"), match_);

    auto* direction = new QGroupBox(tr("Direction"), this);
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(up_);
    directionLayout->addWidget(down_);
    directionLayout->addWidget(all_);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(findNext_, QDialogButtonBox::ActionRole);
    buttons->addButton(close_, QDialogButtonBox::RejectRole);
    findNext_->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(direction);
    layout->addWidget(ignoreCase_);
    layout->addWidget(ignoreFormat_);
    layout->addWidget(result_);
    layout->addWidget(buttons);

    connect(findNext_, &QPushButton::clicked, this, &FindDialog::findNextClicked);
    connect(close_, &QPushButton::clicked, this, &QDialog::close);
}

void FindDialog::setColumns(const QStringList& titles, const QList<int>& columns) {
    const int chosen = column_->currentData().toInt();
    while (column_->count() > 1)
        column_->removeItem(1);
    for (qsizetype i = 0; i < columns.size() && i < titles.size(); ++i)
        column_->addItem(titles[i], columns[i]);
    const int at = column_->findData(chosen);
    column_->setCurrentIndex(at < 0 ? 0 : at);
}

void FindDialog::setDirection(FindOptions::Direction direction) {
    switch (direction) {
    case FindOptions::Direction::Up:
        up_->setChecked(true);
        break;
    case FindOptions::Direction::Down:
        down_->setChecked(true);
        break;
    case FindOptions::Direction::All:
        all_->setChecked(true);
        break;
    }
}

FindOptions FindDialog::options() const {
    FindOptions o;
    o.text = text_->currentText();
    o.column = column_->currentData().toInt();
    o.match = FindOptions::Match(match_->currentData().toInt());
    o.direction = up_->isChecked()    ? FindOptions::Direction::Up
                  : all_->isChecked() ? FindOptions::Direction::All
                                      : FindOptions::Direction::Down;
    o.ignoreCase = ignoreCase_->isChecked();
    o.ignoreDisplayFormat = ignoreFormat_->isChecked();
    return o;
}

QStringList FindDialog::history() const {
    QStringList out;
    for (int i = 0; i < text_->count(); ++i)
        out << text_->itemText(i);
    return out;
}

void FindDialog::showResult(bool found) {
    result_->setText(found ? QString() : tr("Not found."));
}

void FindDialog::findNextClicked() {
    const QString text = text_->currentText();
    if (!text.isEmpty()) {
        // The newest search text heads the history, once.
        const int old = text_->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (old >= 0)
            text_->removeItem(old);
        text_->insertItem(0, text);
        text_->setCurrentIndex(0);
    }
    emit findNextRequested(options());
}

} // namespace zor

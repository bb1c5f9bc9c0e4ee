// Layout of the main window: every control at its place with its font and text.
#include "UntMain.h"

#include "AlarmFrame.h"
#include "PeakChart.h"
#include "PortBox.h"
#include "RecordGrid.h"
#include "ShadowLabel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace zor {

namespace {

constexpr int kClientWidth = 994;
constexpr int kClientHeight = 621;
const QString kCaption = QStringLiteral("ВЕЛТ МОНИТОР вер.2.1");
// A clearly fictitious service number.
const QString kServiceText = QStringLiteral("СЕРВИС: 555-0100");
const QString kPickerFormat = QStringLiteral("yyyy-MM-dd");

QFont fontOf(const QString& family, int pixels, bool bold = false, bool italic = false) {
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    widget->setPalette(palette);
}

// A panel with a raised outer and a sunken inner bevel.
QFrame* bumpedPanel(QWidget* parent, const QRect& place) {
    auto* panel = new QFrame(parent);
    panel->setFrameStyle(QFrame::Box | QFrame::Raised);
    panel->setLineWidth(1);
    panel->setMidLineWidth(1);
    panel->setGeometry(place);
    return panel;
}

QLabel* captionLabel(QWidget* parent, const QString& text, const QRect& place) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(place);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setFont(fontOf("Arial Narrow", 16, true));
    setTextColour(label, Qt::black);
    return label;
}

QPushButton* commandButton(QWidget* parent, const QString& text, const QRect& place) {
    auto* button = new QPushButton(text, parent);
    button->setGeometry(place);
    button->setFont(fontOf("Arial Narrow", 16, true));
    return button;
}

QDateTimeEdit* datePicker(QWidget* parent, const QRect& place) {
    auto* picker = new QDateTimeEdit(parent);
    picker->setGeometry(place);
    picker->setDisplayFormat(kPickerFormat);
    picker->setCalendarPopup(true);
    picker->setFont(fontOf("Times New Roman", 16));
    picker->setEnabled(false);
    return picker;
}

} // namespace

void TFrmMain::buildLayout() {
    setWindowTitle(kCaption);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    setFont(fontOf("Tahoma", 11));

    lblTitle = new ShadowLabel(kCaption, this);
    lblTitle->setGeometry(242, 20, 500, 40);
    lblTitle->setAlignment(Qt::AlignCenter);
    lblTitle->setFont(fontOf("Arial", 27, true));
    setTextColour(lblTitle, Qt::black);

    lblVersion = new QLabel(kServiceText, this);
    lblVersion->setFont(fontOf("Arial", 14));
    setTextColour(lblVersion, Qt::black);
    lblVersion->move(716, 40);
    lblVersion->adjustSize();

    buildFilterPanel();

    ARDBGrid = new RecordGrid(this);
    ARDBGrid->setGeometry(22, 120, 950, 421);

    chtHistory = new PeakChart(this);
    chtHistory->setGeometry(22, 120, 950, 421);
    chtHistory->hide();

    buildFunctionPanel();
}

void TFrmMain::buildFilterPanel() {
    pnlCondition = bumpedPanel(this, QRect(22, 66, 950, 50));

    lblGas = captionLabel(pnlCondition, QStringLiteral("Gas:"), QRect(19, 13, 40, 24));

    cbxGas = new QComboBox(pnlCondition);
    cbxGas->setFont(fontOf("Arial", 13));
    cbxGas->addItem(QStringLiteral("ALL"));
    for (int code = 1; code <= kGasCount; ++code)
        cbxGas->addItem(gasName(code));
    cbxGas->setGeometry(64, 13, 60, cbxGas->sizeHint().height());

    ChkDate = new QCheckBox(pnlCondition);
    ChkDate->setGeometry(155, 18, 19, 15);

    cxDpkStartDate = datePicker(pnlCondition, QRect(175, 12, 100, 27));

    lblTo = new QLabel(QStringLiteral("→"), pnlCondition);
    lblTo->setGeometry(279, 10, 27, 31);
    lblTo->setAlignment(Qt::AlignCenter);
    lblTo->setFont(fontOf("Times New Roman", 27));
    setTextColour(lblTo, QColor(128, 128, 128));

    cxDpkEndDate = datePicker(pnlCondition, QRect(311, 12, 100, 27));

    // Two lines of text between the end picker and the chart buttons.
    lblStatus = new QLabel(pnlCondition);
    lblStatus->setGeometry(420, 3, 380, 44);
    lblStatus->setTextFormat(Qt::RichText);
    lblStatus->setWordWrap(true);
    lblStatus->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lblStatus->setFont(fontOf("Arial", 13));
    setTextColour(lblStatus, Qt::black);

    btnPrior = new QPushButton(QStringLiteral("<<"), pnlCondition);
    btnPrior->setGeometry(807, 12, 50, 27);
    btnPrior->setFont(fontOf("Broadway", 13));
    btnPrior->hide();

    btnNext = new QPushButton(QStringLiteral(">>"), pnlCondition);
    btnNext->setGeometry(863, 12, 50, 27);
    btnNext->setFont(fontOf("Broadway", 13));
    btnNext->hide();
}

void TFrmMain::buildFunctionPanel() {
    pnlFunction = bumpedPanel(this, QRect(22, 547, 950, 60));

    lblComPort = captionLabel(pnlFunction, QStringLiteral("Com Port:"), QRect(19, 17, 65, 26));

    cbxComPort = new PortBox([this] { return portNames(); }, pnlFunction);
    cbxComPort->setFont(fontOf("Arial", 13));
#ifndef Q_OS_WIN
    // Outside Windows a device path may be typed in as well.
    cbxComPort->setEditable(true);
    cbxComPort->setInsertPolicy(QComboBox::NoInsert);
#endif
    cbxComPort->setGeometry(89, 18, 70, cbxComPort->sizeHint().height());

    BtnGetData =
        commandButton(pnlFunction, QStringLiteral("Get Alarm Data"), QRect(165, 10, 135, 40));
    BtnSetTime =
        commandButton(pnlFunction, QStringLiteral("Set Machine Time"), QRect(305, 10, 135, 40));
    BtnClearData =
        commandButton(pnlFunction, QStringLiteral("Clear Database"), QRect(445, 10, 135, 40));
    BtnExportToExcel =
        commandButton(pnlFunction, QStringLiteral("Export to Excel"), QRect(585, 10, 135, 40));
    BtnPrint = commandButton(pnlFunction, QStringLiteral("Print"), QRect(725, 10, 100, 40));
    BtnSwitchLang = commandButton(pnlFunction, QStringLiteral("中文"), QRect(830, 10, 100, 40));
    BtnSwitchLang->setFont(fontOf("楷体", 16, true));
    BtnSwitchLang->hide();
}

void TFrmMain::setTabOrder() {
    const QList<QWidget*> order = {ARDBGrid,     BtnGetData,       BtnSetTime,     BtnClearData,
                                   cbxComPort,   BtnExportToExcel, BtnPrint,       BtnSwitchLang,
                                   chtHistory,   cbxGas,           cxDpkStartDate, ChkDate,
                                   cxDpkEndDate, btnPrior,         btnNext};
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void TFrmMain::applyEnglishTexts() {
    static const QStringList kColumnTitles = {
        "Gas",   "Start Alarm Time", "Value", "Peak Alarm Time",
        "Value", "End Alarm Time",   "Value", "Unit"};
    lblTitle->setText(QStringLiteral("Zorvane"));
    lblTitle->setFont(fontOf("Arial", lblTitle->font().pixelSize(), true));
    ARDBGrid->setColumnTitles(kColumnTitles);
    ARDBGrid->setFooterCaption(QStringLiteral("Record Count:"));
    lblGas->setText(QStringLiteral("Gas:"));
    lblComPort->setText(QStringLiteral("Com Port:"));
    BtnGetData->setText(QStringLiteral("Get Alarm Data"));
    BtnSetTime->setText(QStringLiteral("Set Machine Time"));
    BtnClearData->setText(QStringLiteral("Clear Database"));
    BtnExportToExcel->setText(QStringLiteral("Export to Excel"));
    BtnPrint->setText(QStringLiteral("Print"));
    BtnSwitchLang->setText(QStringLiteral("中文"));
}

} // namespace zor

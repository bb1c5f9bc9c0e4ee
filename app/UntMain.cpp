#include "UntMain.h"

#include "Notifier.h"
#include "PeakChart.h"
#include "RecordGrid.h"
#include "ShadowLabel.h"
#include "UserError.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>

namespace zor {

namespace {
const QString kLanguageWord = QStringLiteral("English");

// Pickers show local dates; stored times are zone-less wall-clock values.
QDateTime asLocal(const QDateTime& wallClock) {
    return QDateTime(wallClock.date(), wallClock.time());
}
} // namespace

TFrmMain::TFrmMain(Notifier& notifier, QString storePath, QWidget* parent)
    : QWidget(parent), notifier_(notifier), storePath_(std::move(storePath)) {
    buildLayout();
    cbxComPort->refill();
    setTabOrder();
    wireHandlers();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TFrmMain::~TFrmMain() {
    // The grid must let go of the listing, and the download of the store, before it closes.
    ARDBGrid->setModel(nullptr);
    delete session_;
    session_ = nullptr;
}

void TFrmMain::runHandler(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const UserError& e) {
        notifier_.error(this, e.text());
    } catch (const std::exception& e) {
        notifier_.error(this, QString::fromLocal8Bit(e.what()));
    }
}

void TFrmMain::wireHandlers() {
    const auto handle = [this](void (TFrmMain::*method)()) {
        return [this, method] { runHandler([this, method] { (this->*method)(); }); };
    };
    connect(cbxGas, &QComboBox::currentIndexChanged, this, handle(&TFrmMain::Refresh));
    connect(ChkDate, &QCheckBox::toggled, this, handle(&TFrmMain::Refresh));
    connect(cxDpkStartDate, &QDateTimeEdit::dateTimeChanged, this, handle(&TFrmMain::Refresh));
    connect(cxDpkEndDate, &QDateTimeEdit::dateTimeChanged, this, handle(&TFrmMain::Refresh));
    connect(BtnClearData, &QPushButton::clicked, this, handle(&TFrmMain::BtnClearDataClick));
    connect(BtnSwitchLang, &QPushButton::clicked, this, handle(&TFrmMain::BtnSwitchLangClick));
    connect(BtnGetData, &QPushButton::clicked, this, handle(&TFrmMain::BtnGetDataClick));
    connect(BtnSetTime, &QPushButton::clicked, this, handle(&TFrmMain::BtnSetTimeClick));
    connect(ARDBGrid, &RecordGrid::doubleClicked, this, handle(&TFrmMain::ARDBGridDblClick));
    connect(chtHistory, &PeakChart::doubleClicked, this, handle(&TFrmMain::chtHistoryDblClick));
    connect(btnPrior, &QPushButton::clicked, this, handle(&TFrmMain::btnPriorClick));
    connect(btnNext, &QPushButton::clicked, this, handle(&TFrmMain::btnNextClick));
    connect(BtnExportToExcel, &QPushButton::clicked, this,
            handle(&TFrmMain::BtnExportToExcelClick));
    connect(BtnPrint, &QPushButton::clicked, this, handle(&TFrmMain::BtnPrintClick));
    connect(ARDBGrid, &RecordGrid::deleteRequested, this, [this](const QList<qint64>& ids) {
        runHandler([this, &ids] { ARDBGridDeleteRows(ids); });
    });
}

bool TFrmMain::FormCreate() {
    try {
        database_ = std::make_unique<Database>(storePath_);
    } catch (const ConnectError& e) {
        notifier_.information(this, e.text());
        return false;
    }
    listing_ = std::make_unique<Listing>(database_->connection());
    alarmStore_ = std::make_unique<AlarmStore>(*database_);
    settings_ = std::make_unique<Settings>(database_->connection());
    history_ = std::make_unique<DownloadHistory>(database_->connection());
    session_ = new DownloadSession(*alarmStore_, *history_, this);
    wireSession();
    ARGrid = new ListingModel(*listing_, locale(), this);
    ARDBGrid->setModel(ARGrid);
    ARDBGrid->setFocus();

    // Each step runs only when the one before it succeeded.
    runHandler([this] {
        // A download still running in the history was cut short when the program was killed.
        history_->closeAbandoned(session_->station());
        if (const auto word = settings_->language())
            BtnSwitchLang->setText(*word);
        BtnSwitchLangClick();
        setPickersFromStore();
        Refresh();
    });
    return true;
}

void TFrmMain::BtnSwitchLangClick() {
    BtnSwitchLang->setText(kLanguageWord);
    settings_->setLanguage(BtnSwitchLang->text());
    applyEnglishTexts();
}

void TFrmMain::setPickersFromStore() {
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime firstOfMonth(QDate(now.date().year(), now.date().month(), 1), QTime(0, 0));
    const auto earliest = listing_->earliestPeak();
    const auto latest = listing_->latestPeak();
    const QSignalBlocker blockStart(cxDpkStartDate);
    const QSignalBlocker blockEnd(cxDpkEndDate);
    cxDpkStartDate->setDateTime(earliest ? asLocal(*earliest) : firstOfMonth);
    cxDpkEndDate->setDateTime(latest ? asLocal(*latest) : now);
}

ListingFilter TFrmMain::currentFilter() const {
    ListingFilter filter;
    if (cbxGas->currentIndex() > 0)
        filter.gas = cbxGas->currentText();
    if (ChkDate->isChecked()) {
        filter.from = cxDpkStartDate->date();
        filter.to = cxDpkEndDate->date();
    }
    return filter;
}

void TFrmMain::Refresh() {
    cxDpkStartDate->setEnabled(ChkDate->isChecked());
    cxDpkEndDate->setEnabled(ChkDate->isChecked());
    if (!ARGrid)
        return;
    ARGrid->reload(currentFilter());
    chtHistory->rebuild(*ARGrid);
}

void TFrmMain::resetFilters() {
    resetFilterControls();
    Refresh();
}

void TFrmMain::resetFilterControls() {
    const QSignalBlocker blockGas(cbxGas);
    cbxGas->setCurrentIndex(0);
    const QSignalBlocker blockDate(ChkDate);
    ChkDate->setChecked(false);
}

void TFrmMain::BtnClearDataClick() {
    alarmStore_->clear();
    resetFilters();
}

void TFrmMain::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TFrmMain::FormClose() {
    if (closing_)
        return;
    closing_ = true;
    ARDBGrid->setModel(nullptr);
    if (session_)
        session_->close();
}

} // namespace zor

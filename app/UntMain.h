#pragma once

#include "AlarmStore.h"
#include "Database.h"
#include "DownloadHistory.h"
#include "DownloadSession.h"
#include "Listing.h"
#include "ListingModel.h"
#include "PortBox.h"
#include "Settings.h"

#include <QWidget>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QFrame;
class QLabel;
class QPushButton;

namespace zor {

class Notifier;
class PeakChart;

class RecordGrid;
class ShadowLabel;
class TComm;

// The main window: lays out the controls, wires their handlers to the subsystems.
class TFrmMain : public QWidget {
    Q_OBJECT
public:
    explicit TFrmMain(Notifier& notifier, QString storePath = QString::fromLatin1(kStoreFileName),
                      QWidget* parent = nullptr);
    ~TFrmMain() override;

    // Start-up. Returns false when the store cannot be opened: the program then ends.
    bool FormCreate();

    // Runs one event handler; an error leaving it goes to the default error box.
    void runHandler(const std::function<void()>& handler);

    void Refresh();
    void BtnSwitchLangClick();
    void BtnClearDataClick();
    void BtnGetDataClick();
    void BtnSetTimeClick();
    // True while received frames wait to be handled.
    bool hasPendingFrames() const { return session_ && session_->hasPendingFrames(); }
    // The download road; set by start-up.
    DownloadSession* session() const { return session_; }
    void ARDBGridDblClick();
    void chtHistoryDblClick();
    void btnPriorClick();
    void btnNextClick();
    void ARDBGridDeleteRows(const QList<qint64>& ids);
    void BtnExportToExcelClick();
    void BtnPrintClick();

    // Controls, named as the layout names them.
    ShadowLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QFrame* pnlCondition = nullptr;
    QLabel* lblGas = nullptr;
    QComboBox* cbxGas = nullptr;
    QCheckBox* ChkDate = nullptr;
    QDateTimeEdit* cxDpkStartDate = nullptr;
    QLabel* lblTo = nullptr;
    QDateTimeEdit* cxDpkEndDate = nullptr;
    QPushButton* btnPrior = nullptr;
    QPushButton* btnNext = nullptr;
    // What the last download or command did; in the free part of the filter panel.
    QLabel* lblStatus = nullptr;
    RecordGrid* ARDBGrid = nullptr;
    PeakChart* chtHistory = nullptr;
    QFrame* pnlFunction = nullptr;
    QLabel* lblComPort = nullptr;
    PortBox* cbxComPort = nullptr;
    QPushButton* BtnGetData = nullptr;
    QPushButton* BtnSetTime = nullptr;
    QPushButton* BtnClearData = nullptr;
    QPushButton* BtnExportToExcel = nullptr;
    QPushButton* BtnPrint = nullptr;
    QPushButton* BtnSwitchLang = nullptr;

    // The serial link to the detector, owned by the download road; set by start-up.
    TComm* Comm = nullptr;

    // The listing shared by the grid, the chart, the export and the report.
    ListingModel* ARGrid = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void buildFilterPanel();
    void buildFunctionPanel();
    void setTabOrder();
    void wireHandlers();
    void applyEnglishTexts();
    void setPickersFromStore();
    void resetFilters();
    void resetFilterControls();
    ListingFilter currentFilter() const;
    void FormClose();
    QStringList portNames() const;
    void wireSession();
    void framesImported();
    void showStatus(const QString& text);
    bool portOpened(const std::function<void()>& command);

    Notifier& notifier_;
    QString storePath_;
    std::unique_ptr<Database> database_;
    std::unique_ptr<Listing> listing_;
    std::unique_ptr<AlarmStore> alarmStore_;
    std::unique_ptr<Settings> settings_;
    std::unique_ptr<DownloadHistory> history_;
    DownloadSession* session_ = nullptr;
    bool closing_ = false;
};

} // namespace zor

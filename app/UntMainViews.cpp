// The main window's side of the views: grid and chart switching, deletion, export, print.
#include "UntMain.h"

#include "AlarmReport.h"
#include "Notifier.h"
#include "PeakChart.h"
#include "RecordGrid.h"
#include "ReportPreview.h"
#include "XlsExport.h"

#include <QPushButton>

namespace zor {

namespace {
constexpr auto kExportedText = "Data has been successfully exported to Excel.";
// The language button carries this caption only when start-up stopped at the settings update.
constexpr auto kOtherLanguageCaption = "English";
} // namespace

void TFrmMain::ARDBGridDblClick() {
    ARDBGrid->hide();
    chtHistory->show();
    btnPrior->show();
    btnNext->show();
}

void TFrmMain::chtHistoryDblClick() {
    chtHistory->hide();
    btnPrior->hide();
    btnNext->hide();
    ARDBGrid->show();
    ARDBGrid->setFocus();
}

void TFrmMain::btnPriorClick() { chtHistory->prior(); }

void TFrmMain::btnNextClick() {
    if (ARGrid)
        chtHistory->next(ARGrid->totalRows());
}

void TFrmMain::ARDBGridDeleteRows(const QList<qint64>& ids) {
    alarmStore_->remove(ids);
    ARGrid->dropRows(ids);
}

void TFrmMain::BtnExportToExcelClick() {
    if (!ARGrid || ARGrid->totalRows() == 0)
        return;
    if (exportListing(*ARGrid, ARDBGrid->visibleColumns(), QString::fromLatin1(kExportFileName),
                      ARDBGrid->columnTitles()))
        notifier_.information(this, QString::fromLatin1(kExportedText));
}

void TFrmMain::BtnPrintClick() {
    if (!ARGrid)
        return;
    const auto language = BtnSwitchLang->text() == QLatin1String(kOtherLanguageCaption)
                              ? AlarmReport::Language::Chinese
                              : AlarmReport::Language::English;
    AlarmReport report(*ARGrid, language);
    showPreview(this, report);
}

} // namespace zor

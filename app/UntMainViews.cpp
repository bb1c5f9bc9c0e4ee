// The main window's side of the views: grid and chart switching, deletion, export, print.
#include "UntMain.h"

#include "AlarmReport.h"
#include "Notifier.h"
#include "PeakChart.h"
#include "RecordGrid.h"
#include "ReportPreview.h"
#include "XlsExport.h"

#include <QPrinterInfo>
#include <QPushButton>

namespace zor {

namespace {
constexpr auto kExportedText = "Data has been successfully exported to Excel.";
// The language button carries this caption only when start-up stopped at the settings update.
constexpr auto kOtherLanguageCaption = "English";
constexpr auto kNoPrinterText =
    "No printer is installed. The report is shown; it can be printed once a printer is set up, "
    "or printed to a PDF file from the print dialog.";
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

void TFrmMain::btnPriorClick() {
    chtHistory->prior();
}

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
    if (QPrinterInfo::availablePrinterNames().isEmpty())
        notifier_.information(this, QString::fromLatin1(kNoPrinterText));
    showPreview(this, report);
}

} // namespace zor

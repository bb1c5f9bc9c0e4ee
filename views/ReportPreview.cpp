#include "ReportPreview.h"

#include "AlarmReport.h"

#include <QAction>
#include <QActionGroup>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QToolBar>
#include <memory>

namespace zor {

namespace {

const QString kFitWidthAction = QStringLiteral("fitWidthAction");

// Hides the orientation and the page-arrangement choices: the checkable groups other than
// the one holding the fitting actions. Separators left next to each other go too.
void trimToolBar(QToolBar* bar) {
    QActionGroup* fitting = nullptr;
    for (QAction* action : bar->actions()) {
        if (action->objectName() == kFitWidthAction)
            fitting = action->actionGroup();
    }
    for (QAction* action : bar->actions()) {
        QActionGroup* group = action->actionGroup();
        if (group && group != fitting && action->isCheckable())
            action->setVisible(false);
    }
    bool lastWasSeparator = true;
    QAction* lastVisible = nullptr;
    for (QAction* action : bar->actions()) {
        if (!action->isVisible())
            continue;
        if (action->isSeparator() && lastWasSeparator) {
            action->setVisible(false);
            continue;
        }
        lastWasSeparator = action->isSeparator();
        lastVisible = action;
    }
    if (lastVisible && lastVisible->isSeparator())
        lastVisible->setVisible(false);
}

} // namespace

QPrintPreviewDialog* createPreview(QWidget* parent, AlarmReport& report, QPrinter& printer) {
    printer.setPageLayout(AlarmReport::defaultPageLayout());
    auto* dialog = new QPrintPreviewDialog(&printer, parent);
    QObject::connect(dialog, &QPrintPreviewDialog::paintRequested, dialog,
                     [&report](QPrinter* target) { report.print(*target); });
    for (QToolBar* bar : dialog->findChildren<QToolBar*>())
        trimToolBar(bar);
    if (auto* fitWidth = dialog->findChild<QAction*>(kFitWidthAction))
        fitWidth->trigger();
    dialog->setWindowState(dialog->windowState() | Qt::WindowMaximized);
    dialog->setModal(true);
    return dialog;
}

void showPreview(QWidget* parent, AlarmReport& report) {
    QPrinter printer(QPrinter::HighResolution);
    std::unique_ptr<QPrintPreviewDialog> dialog(createPreview(parent, report, printer));
    dialog->exec();
}

} // namespace zor

#pragma once

class QPrinter;
class QPrintPreviewDialog;
class QWidget;

namespace zor {

class AlarmReport;

// The preview window of the report on the printer: maximised, fitted to the page width,
// offering print, zoom, page setup and page navigation only. The caller runs it.
QPrintPreviewDialog* createPreview(QWidget* parent, AlarmReport& report, QPrinter& printer);

// Shows the report in a modal preview and returns when the window is closed.
void showPreview(QWidget* parent, AlarmReport& report);

} // namespace zor

#pragma once

// The control panel's "导出数据": every row of the table to a CSV file of the
// user's choice. The panel's export button (1005) is disabled meanwhile.

class QWidget;

void ExportCsv(QWidget* panel);

// SPDX-License-Identifier: MIT
#pragma once

// The control panel's list operations: import a chosen file (or a dropped
// file, or text from the clipboard) as the new list file, load the list file
// into the table (and announce it), and take the checked rows out of the
// table and the list file. UI thread only; never while a batch runs.

#include <QString>
#include <string>

class QWidget;

// Lets the user choose a file and imports it.
void ImportDomainFile(QWidget* panel);
// Copies the file at `path` over the list file (atomically) and loads it. A
// failed copy keeps the previous list and says why; a list file the last
// load did not read whole is replaced only after the user agrees. False when
// nothing was imported.
bool ImportDomainPath(QWidget* panel, const std::string& path);
// Writes `text` (one name a line) as the list file and loads it; text with
// no name in it changes nothing. False when nothing was imported.
bool ImportDomainText(QWidget* panel, const QString& text);

// Rebuilds the table from the list file and posts UM_IMPORT_FINISHED to the
// main window. With `afterImport` it then tells the user about names it
// skipped and lines it could not read (once, at the import: not again at
// every start).
void LoadListFile(QWidget* panel, bool afterImport = false);

// Rewrites the list file without the rows marked removed, then takes them
// out of the table in place: the other rows keep their results and order.
// The file keeps the format it was read in. When it cannot be written, or
// the last load did not read it whole (writing would lose the rest), nothing
// is removed and the user is told why. Ends, like a load, with UM_IMPORT_FINISHED.
void DeleteRemovedRows(QWidget* panel);

// Puts the rows the last delete took out back where they were, with their
// results, and rewrites the list file (Ctrl+Z). Only until the next import,
// load or batch; false when there is nothing to put back or the file cannot
// be written (the user is told why).
bool RestoreDeletedRows(QWidget* panel);
[[nodiscard]] bool CanRestoreDeletedRows();
// A batch or an import changed the list: the last delete can no longer be undone.
void ForgetDeletedRows();

#pragma once

// The control panel's list operations: import a chosen file as the new list
// file, load the list file into the table (and announce it), and write the
// rows that are not removed back to the list file. UI thread only.

class QWidget;

// Lets the user choose a file, copies it over the list file (atomically) and
// loads it. A failed copy keeps the previous list and says why. A list file
// the last load did not read whole is replaced only after the user agrees.
void ImportDomainFile(QWidget* panel);
// Rebuilds the table from the list file, posts UM_IMPORT_FINISHED to the main
// window and then (when `announce`) tells the user about names it skipped and
// lines it could not read.
void LoadListFile(QWidget* panel, bool announce = true);
// Rewrites the list file without the removed rows, in the format it was read
// in; false (and a message saying why) when it could not be written, or when
// the last load did not read the whole file (writing would lose the rest).
bool SaveListFile(QWidget* panel);

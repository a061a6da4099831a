#pragma once

// The control panel's list operations: import a chosen file as the new list
// file, load the list file into the table (and announce it), and write the
// rows that are not removed back to the list file. UI thread only.

class QWidget;

// Lets the user choose a file, copies it over the list file (atomically) and
// loads it. A failed copy keeps the previous list and says so.
void ImportDomainFile(QWidget* panel);
// Rebuilds the table from the list file, posts UM_IMPORT_FINISHED to the main
// window and then tells the user about names that did not fit.
void LoadListFile(QWidget* panel);
// Rewrites the list file without the removed rows; false (and a message)
// when it could not be written.
bool SaveListFile(QWidget* panel);

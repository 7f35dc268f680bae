#pragma once

#include <QString>
#include <functional>

class QWidget;

// A file the operator is asked for: a file to open must exist; a file to
// save gets `suffix` when typed without one. A file that is never written
// over is not offered for replacing: the caller says what happens to it.
struct FileQuestion {
    QString objectName;
    QString title;
    QString where; // the folder, or the proposed file in it
    QString filter;
    bool save = false;
    QString suffix;
    bool replaceOffered = true;
};

// Opens the dialog, never executes it: fetching and the box's exchanges go
// on while the operator chooses. The dialog goes when closed; `chosen` gets
// the path when one was chosen.
void askForFile(QWidget *parent, const FileQuestion &question, std::function<void(const QString &path)> chosen);

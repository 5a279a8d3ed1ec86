// The save-file dialog behind one replaceable function, so that the program asks the student
// for a path in one place and tests choose the path without a dialog.
#pragma once

#include <QString>
#include <functional>
#include <optional>

class QWidget;

struct SaveFileRequest
{
    QString suggestedName; // the file name offered, shown as given
    QString defaultSuffix; // added when the student types a name without one ("doc")
    QString filter;        // one name filter, "word文档 (*.doc)"
    bool confirmOverwrite = true;
};

// Returns the chosen path, or nothing when the student cancelled.
using SaveFileChooser = std::function<std::optional<QString>(QWidget *parent, const SaveFileRequest &request)>;

// Asks through the installed chooser, or through the platform's dialog when none is installed.
std::optional<QString> ChooseSaveFile(QWidget *parent, const SaveFileRequest &request);

// The platform's save-file dialog, modal over parent. It opens in the folder the student last
// saved into during this run (at first the documents folder) with the suggested name, in which
// a '/' (which a file name cannot hold) is shown as '_'.
std::optional<QString> ChooseSaveFileWithDialog(QWidget *parent, const SaveFileRequest &request);

// Installs a chooser for its lifetime (the previous one comes back after).
class ScopedSaveFileChooser
{
public:
    explicit ScopedSaveFileChooser(SaveFileChooser chooser);
    ~ScopedSaveFileChooser();
    ScopedSaveFileChooser(const ScopedSaveFileChooser &) = delete;
    ScopedSaveFileChooser &operator=(const ScopedSaveFileChooser &) = delete;

private:
    SaveFileChooser m_previous;
};

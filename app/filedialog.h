#pragma once

#include <QFileDialog>

// The directory every _FileDialog starts in; the main window sets it to the data root once.
extern QString fileDialogDir;

// The toolkit's own (never the platform's) non-modal file dialog, with an empty title, starting
// in fileDialogDir. The creator sets the modes and name filters, shows it and takes the result
// from filesSelected or fileSelected. Each dialog keeps its own current directory afterwards.
class _FileDialog : public QFileDialog
{
    Q_OBJECT

public:
    explicit _FileDialog(QWidget *parent = nullptr);
};

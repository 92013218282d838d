#include "app/filedialog.h"

QString fileDialogDir;

_FileDialog::_FileDialog(QWidget *parent)
    : QFileDialog(parent)
{
    setOptions(options() | QFileDialog::DontUseNativeDialog);
    setWindowTitle(QString());
    setDirectory(fileDialogDir);
    setModal(false);
}

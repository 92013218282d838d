#include "pathhelpers.h"

#include "data/tddata0.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The absolute path of fileName in the directory of path.
QString besidePath(const QString &path, const QString &fileName)
{
    return QDir(QFileInfo(path).absolutePath()).absoluteFilePath(fileName);
}

} // namespace

QString fileSafeName(const TDData0 *d)
{
    QString name = d->dataId;
    name.replace('/', QLatin1String("div"));
    while (name.contains(QLatin1String("__")))
        name.replace(QLatin1String("__"), QLatin1String("_"));
    return name;
}

QString insertIntoFileName(const QString &path, const QString &text)
{
    const QFileInfo info(path);
    return besidePath(path, info.completeBaseName() + '-' + text + '.' + info.suffix());
}

QString withSuffix(const QString &path, const QString &suffix, bool keep)
{
    const QFileInfo info(path);
    const QString used = keep && !info.suffix().isEmpty() ? info.suffix() : suffix;
    return besidePath(path, info.completeBaseName() + '.' + used);
}

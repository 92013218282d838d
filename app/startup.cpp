#include "app/startup.h"

#include "app/opttable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTranslator>

QString dataRoot;

QString configFilePath(const OptTable &options)
{
    QString path = QFileInfo(QDir(QCoreApplication::applicationDirPath()), QStringLiteral("config.cfg"))
                       .canonicalFilePath();
    if (options.hasKey(QStringLiteral("-c")))
        path = options.valueOf(QStringLiteral("-c"));
    if (options.hasKey(QStringLiteral("-config")))
        path = options.valueOf(QStringLiteral("-config"));
    return path;
}

QString chooseDataRoot(const OptTable &options)
{
    QString root = QDir(QDir::currentPath()).absolutePath();
    if (options.hasKey(QStringLiteral("DataRoot")))
        root = options.valueOf(QStringLiteral("DataRoot"));
    if (options.hasKey(QStringLiteral("-d")))
        root = options.valueOf(QStringLiteral("-d"));
    return root;
}

bool installTranslation(QTranslator *translator, const OptTable &options)
{
    if (options.hasKey(QStringLiteral("-e")))
        return false;
    // A name starting with ":" is a resource path, so the directory argument is never searched.
    if (!translator->load(QStringLiteral(":Quelvo_ja_JP"), QCoreApplication::applicationDirPath()))
        return false;
    return QCoreApplication::installTranslator(translator);
}

void configure(OptTable *options, QTranslator *translator)
{
    options->readCfgFile(configFilePath(*options));
    dataRoot = chooseDataRoot(*options);
    installTranslation(translator, *options);
}

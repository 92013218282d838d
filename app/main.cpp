#include "app/body.h"
#include "app/opttable.h"
#include "app/startup.h"

#include <QApplication>
#include <QTranslator>

int main(int argc, char *argv[])
{
    keepFreedFramesForReuse();
    // The colour tables are constant data and need no building.
    dataRoot.clear();
    opts.init(argc, argv);
    QApplication app(argc, argv);
    QTranslator translator;
    configure(&opts, &translator);

    Body body;
    QObject::connect(&body, &Body::finishing, &app, &QApplication::closeAllWindows);
    body.show();
    return app.exec();
}

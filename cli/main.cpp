// quelvo-cli: the program's operations for batch runs and scripts; see CliTool.

#include "app/startup.h"
#include "cli/clitool.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    keepFreedFramesForReuse();
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    CliTool tool(out, err, isatty(STDERR_FILENO));
    return tool.run(app.arguments().mid(1));
}

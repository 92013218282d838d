// fuzz_replay <corpus folder>: feeds every file of <corpus folder>/<target>/ to that target, so
// that every build (and the sanitizer build) runs the whole corpus without libFuzzer.
#include "fuzztargets.h"

#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    // Resolved before init() moves the current folder.
    const QDir corpus(QDir(QFile::decodeName(argv[1])).absolutePath());
    FuzzTargets::init();
    int inputs = 0;
    for (const QString &name : corpus.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const FuzzTargets::Target target = FuzzTargets::byName(qPrintable(name));
        if (!target) {
            std::fprintf(stderr, "no fuzz target %s\n", qPrintable(name));
            return 1;
        }
        const QDir dir(corpus.filePath(name));
        for (const QString &fileName : dir.entryList(QDir::Files)) {
            QFile file(dir.filePath(fileName));
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "can't read %s\n", qPrintable(file.fileName()));
                return 1;
            }
            const QByteArray bytes = file.readAll();
            target(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
            ++inputs;
        }
    }
    std::printf("%d inputs replayed\n", inputs);
    return inputs > 0 ? 0 : 1;
}

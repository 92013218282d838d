#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// The start-up options: an ordered table of keys and values filled first from the command line,
// then from a configuration file (which may INCLUDE others). Keys are case-sensitive and unique;
// entries stay in the order their keys were first set, and setting a key again only replaces its
// value. Nothing here fails loudly: unreadable files are reported on the debug stream and the
// table keeps what it has.
class OptTable
{
public:
    // Parses the command line: every argument beginning with "-" is a key, its value the next
    // argument unless that one begins with "-" too (then the value is empty). Further arguments
    // up to the next key are dropped, as is everything before the first key.
    void init(int argc, const char *const *argv);

    // Reads one configuration file into the table: per line, after "#" comments outside quotes
    // are removed, a key and a value (quoted items may hold blanks and "#"). "INCLUDE path", in
    // any case, reads that file completely before the next line; a file already being read further
    // up the chain of includes is skipped with a debug line, so cycles end, and so is every INCLUDE
    // after the first 100 of one read, so files that include the next one twice end soon too.
    void readCfgFile(const QString &path);

    void setEntry(const QString &key, const QString &value);
    bool hasKey(const QString &key) const;
    // The value of key, which may be empty, or def when there is no such key.
    QString valueOf(const QString &key, const QString &def = QString()) const;
    // All keys in table order.
    QStringList keys() const;

private:
    struct Entry {
        QString key;
        QString value;
    };

    // One read of a configuration file and its includes.
    struct Reading {
        QStringList chain;  // the canonical paths of the files being read, outermost first
        int includes = 0;   // INCLUDE lines followed so far
    };

    int indexOf(const QString &key) const;
    void readCfgFile(const QString &path, Reading *reading);
    void readCfgLine(const QString &line, Reading *reading);

    QVector<Entry> entries;
};

// The process-wide option table.
extern OptTable opts;

#pragma once

#include <QString>
#include <QStringList>

// Cutting text lines into items: runs of non-whitespace, or anything between double quotes,
// with "#" comments outside quotes. Whitespace is any Unicode space. None of these fail;
// malformed quoting is reported on the debug stream and the line is still cut.

// Returns the rest of line after its first item and puts the item into *item.
QString takeFirstItem(const QString &line, QString *item);
// Returns line before its first "#" outside quotes and puts the text after it into *comment
// (left untouched when there is none).
QString splitComment(const QString &line, QString *comment);
QString removeComment(const QString &line);
// True when nothing but whitespace is left once the comment is removed.
bool isBlank(const QString &line);
// True when line begins with key, case-sensitive, nothing skipped.
bool startsWithKey(const QString &line, const QString &key);
// The items of line after its first key.size() characters.
QStringList itemsAfter(const QString &line, const QString &key);
// When line starts with key: *items = itemsAfter(line, key), true if there are at least minCount.
// Otherwise false, *items untouched.
bool keyItems(const QString &line, QStringList *items, int minCount, const QString &key);

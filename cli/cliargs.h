#pragma once

#include <QChar>
#include <QPair>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVector>

// One option of a command of the command-line tool.
struct CliOption
{
    enum Arity {
        Flag = 0,      // no value
        One = 1,       // one value: --name V or --name=V
        Two = 2,       // two values: --name A B
        Many = -1      // one or more values, up to the next option: --name A B C
    };

    QString name;      // long name without the dashes
    QChar shortName;   // single-letter alias, or null
    int arity = Flag;
    QString valueName; // shown in the help, e.g. "L,T,R,B"
    QString help;
};

// The arguments of one command, parsed against its option table: GNU-style long options
// ("--name", "--name=value"), single-letter aliases ("-o value"), "--" ending the options, and
// everything else positional. An option's value may begin with "-" only when it is a number.
// Repeated options keep every value, in command-line order. Every command also takes
// "--threads N", which sets the process's thread count (ParallelRows) as it is parsed.
class CliArgs
{
public:
    explicit CliArgs(const QVector<CliOption> &options);

    // False, with errorText(), on an unknown option or a missing value.
    bool parse(const QStringList &args);
    QString errorText() const { return error; }

    bool isSet(const QString &name) const;
    // Every value given to the option, in order.
    QStringList values(const QString &name) const;
    // The last value given to the option, or an empty string.
    QString value(const QString &name) const;
    QStringList positional() const { return values(QString()); }
    // Every value as (option name, value) in command-line order; positional values have an empty name.
    const QVector<QPair<QString, QString>> &items() const { return parsed; }

    // The option table, one option per line, aligned for the help text.
    QString optionHelp() const;

    // Value parsers for the options. Each returns false when text is not what it should be.
    // "L,T,R,B": inclusive pixel corners with L <= R and T <= B, each within +-CoordinateLimit.
    static bool parseRect(const QString &text, QRect *rect);
    static bool parseInt(const QString &text, int min, int max, int *value);
    // A finite number.
    static bool parseDouble(const QString &text, double *value);
    static QString rectText(const QRect &rect);
    // The shortest text that reads back as the same double, "-0" for -0.0; "nan", "inf" and "-inf"
    // for the others.
    static QString numberText(double v);

    static const int CoordinateLimit = 1000000000;

private:
    const CliOption *find(const QString &name) const;
    const CliOption *findShort(QChar c) const;
    bool takeThreads(const QStringList &args, int *i);
    bool take(const CliOption *option, const QStringList &args, int *i, const QString &inlineValue, bool hasInline);

    QVector<CliOption> options;
    QVector<QPair<QString, QString>> parsed;
    QStringList seen;
    QString error;
};

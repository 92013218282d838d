// The command info: what a file holds, as text or JSON.

#include "cli/clicommand.h"
#include "cli/clicontext.h"
#include "data/datainfo.h"
#include "data/tddata.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

qint64 validCount(const TDData &data)
{
    return data.valids.count(true);
}

QJsonArray rectJson(const QRect &r)
{
    return {r.left(), r.top(), r.right(), r.bottom()};
}

QJsonObject infoJson(const DataInfo &info)
{
    QJsonObject o{{QStringLiteral("kind"), info.kind}, {QStringLiteral("name"), info.name}};
    if (info.kind == DataInfo::PeakList) {
        QJsonArray points;
        for (const QPointF &p : info.points)
            points.append(QJsonArray{p.x(), p.y()});
        o.insert(QStringLiteral("points"), points);
    } else if (info.kind == DataInfo::RegionList) {
        QJsonArray rects;
        for (const QRect &r : info.rects)
            rects.append(rectJson(r));
        o.insert(QStringLiteral("rects"), rects);
    } else if (info.kind == DataInfo::Region) {
        o.insert(QStringLiteral("rect"), rectJson(info.rect));
    }
    return o;
}

QJsonObject dataJson(const QString &file, const TDData &data)
{
    QJsonArray infos;
    for (const DataInfo *info : data.infos)
        infos.append(infoJson(*info));
    return {{QStringLiteral("file"), file},
            {QStringLiteral("width"), data.width},
            {QStringLiteral("height"), data.height},
            {QStringLiteral("id"), data.dataId},
            {QStringLiteral("min"), data.minVal},
            {QStringLiteral("max"), data.maxVal},
            {QStringLiteral("validPixels"), validCount(data)},
            {QStringLiteral("region"), data.regionSet ? QJsonValue(rectJson(data.region)) : QJsonValue()},
            {QStringLiteral("infos"), infos}};
}

QString infoText(const DataInfo &info)
{
    switch (info.kind) {
    case DataInfo::PeakList:
        return QStringLiteral("peak list \"%1\", %2 points").arg(info.name).arg(info.points.size());
    case DataInfo::RegionList:
        return QStringLiteral("region list, %1 rectangles").arg(info.rects.size());
    case DataInfo::Region:
        return QStringLiteral("region %1").arg(CliArgs::rectText(info.rect));
    default:
        return QStringLiteral("kind %1").arg(info.kind);
    }
}

QString dataText(const QString &file, const TDData &data)
{
    QString text = file + QLatin1Char('\n');
    text += QStringLiteral("  size: %1 x %2\n").arg(data.width).arg(data.height);
    text += QStringLiteral("  identifier: %1\n").arg(data.dataId);
    text += QStringLiteral("  range: %1 .. %2\n").arg(CliArgs::numberText(data.minVal), CliArgs::numberText(data.maxVal));
    text += QStringLiteral("  valid pixels: %1 of %2\n").arg(validCount(data)).arg(data.values.size());
    text += QStringLiteral("  region: %1\n").arg(data.regionSet ? CliArgs::rectText(data.region) : QStringLiteral("none"));
    text += QStringLiteral("  info items: %1\n").arg(data.infos.size());
    for (const DataInfo *info : data.infos)
        text += QStringLiteral("    %1\n").arg(infoText(*info));
    return text;
}

int info(CliContext &context, const CliArgs &args)
{
    return context.describeInputs(args.positional(), args.isSet(QStringLiteral("json")),
                                  [](const QString &input, TDData *src, QString *text, QJsonObject *object) {
                                      *text = dataText(input, *src);
                                      *object = dataJson(input, *src);
                                      return true;
                                  });
}

} // namespace

CliCommand infoCommand()
{
    return {QStringLiteral("info"), QStringLiteral("[--json] FILE..."),
            QStringLiteral("Show size, identifier, value range, valid pixels, region and info items"), QString(),
            {jsonOption()},
            {}, 1, -1, &info};
}

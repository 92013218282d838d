#include "datainfo.h"

DataInfo::DataInfo(int kind, const QString &name)
    : kind(kind)
    , name(name)
    , rect(QPoint(0, 0), QPoint(0, 0))
{
}

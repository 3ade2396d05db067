#include "view/MonitorStatus.h"

QString PanelText::line(int64_t line) {
    if (line >= 100000) {
        return QStringLiteral("行ｵｰﾊﾞｰ");
    }
    return QString::number(line) + QStringLiteral("行");
}

QString PanelText::mode(int dispMode) {
    switch (dispMode) {
        case 0:
            return QStringLiteral("ASCII");
        case 1:
            return QStringLiteral("16進");
        default:
            return QStringLiteral("ｼﾌﾄJIS");
    }
}

QString PanelText::idleScale(int idleMode) {
    switch (idleMode) {
        case 1:
            return QStringLiteral("ｱｲﾄﾞﾙ(1s)");
        case 10:
            return QStringLiteral("ｱｲﾄﾞﾙ(100ms)");
        case 100:
            return QStringLiteral("ｱｲﾄﾞﾙ(10ms)");
        default:
            return {};
    }
}

QString PanelText::stamp(int timeStamp) {
    return timeStamp == 1 ? QStringLiteral("ﾀｲﾑｽﾀﾝﾌﾟ有") : QString();
}

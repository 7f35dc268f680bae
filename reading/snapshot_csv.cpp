#include "snapshot_csv.h"

QString snapshotCsv(int first, const QByteArray &levels)
{
    QString text = QStringLiteral("channel,level\n");
    text.reserve(text.size() + levels.size() * 8);
    for (int i = 0; i < levels.size(); ++i)
        text += QStringLiteral("%1,%2\n").arg(first + i).arg(quint8(levels[i]));
    return text;
}

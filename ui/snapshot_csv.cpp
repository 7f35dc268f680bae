#include "snapshot_csv.h"

#include "level_output.h"

// The same table a script gets from `lumivane --format csv list`.
QString snapshotCsv(int first, const QByteArray &levels)
{
    return QString::fromLatin1(formatLevels(OutputFormat::Csv, channelLevels(first, levels)));
}

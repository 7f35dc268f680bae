#pragma once

#include <QByteArray>
#include <QString>

// A picture as spreadsheet text: the line "channel,level", then one line a
// channel, levels in decimal whatever the window shows, so a sheet reads
// them as numbers. `levels` holds channels first, first+1, ...
QString snapshotCsv(int first, const QByteArray &levels);

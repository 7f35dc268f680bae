#include "cli_errors.h"

#include <cstdio>

QString errorLine(const QString &what)
{
    qsizetype start = 0;
    while (start < what.size() && what.at(start).isSpace())
        ++start;
    return QStringLiteral("lumivane: ") + what.mid(start);
}

void complain(const QString &what)
{
    std::fprintf(stderr, "%s\n", qPrintable(errorLine(what)));
    std::fflush(stderr);
}

QByteArray withoutHeader(const QByteArray &table)
{
    const qsizetype end = table.indexOf('\n');
    return end < 0 ? QByteArray() : table.mid(end + 1);
}

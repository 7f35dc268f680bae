#include "cli_errors.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

void say(const QString &line)
{
    std::fprintf(stdout, "%s\n", qPrintable(line));
    std::fflush(stdout);
}

void prefixQtMessages()
{
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        for (const QString &line : message.split(u'\n', Qt::SkipEmptyParts))
            complain(line);
        if (type == QtFatalMsg)
            std::abort();
    });
}

QByteArray withoutHeader(const QByteArray &table)
{
    const qsizetype end = table.indexOf('\n');
    return end < 0 ? QByteArray() : table.mid(end + 1);
}

int writeOut(const QByteArray &bytes)
{
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size())
        && std::fflush(stdout) == 0)
        return 0;
    const int fault = errno != 0 ? errno : EIO; // never taken for success
    std::clearerr(stdout);
    return fault;
}

QString outputFaultText(int error)
{
    return QStringLiteral("cannot write the output: %1").arg(QString::fromLocal8Bit(std::strerror(error)));
}

#include "report_options.h"

#include "range_words.h"
#include "record_options.h"

namespace {

const QString kRecording = QStringLiteral("recording");
const QString kSpikeThreshold = QStringLiteral("spike-threshold");

} // namespace

QList<QCommandLineOption> reportOptions()
{
    return {QCommandLineOption(kRecording, QString(), QStringLiteral("file")),
            QCommandLineOption(kSpikeThreshold, QString(), QStringLiteral("n"))};
}

bool readReportOptions(const QCommandLineParser &parser, const QStringList &words, CliOptions &options,
                       QString &error)
{
    if (options.command != CliOptions::Command::Report) {
        for (const QString &name : {kRecording, kSpikeThreshold}) {
            if (parser.isSet(name)) {
                error = QStringLiteral("--%1 is for report only").arg(name);
                return false;
            }
        }
        return true;
    }
    if (!readRangeWords(QStringLiteral("report"), words, options, error))
        return false;
    if (parser.isSet(kSpikeThreshold)) {
        const QString value = parser.value(kSpikeThreshold);
        bool number = false;
        const int threshold = value.toInt(&number);
        if (!number || value.size() > 3 || !value.at(0).isDigit() || threshold < 1 || threshold > 255) {
            error = QStringLiteral("--spike-threshold '%1' is not a level difference (1-255)").arg(value);
            return false;
        }
        options.spikeThreshold = threshold;
    }
    if (!parser.isSet(kRecording))
        return readDuration(parser, options, error);
    // A take is read from its file alone: no port is opened, and it lasts
    // as long as it was recorded.
    options.reportTake = parser.value(kRecording);
    if (options.reportTake.isEmpty()) {
        error = QStringLiteral("--recording needs the show file to report on");
        return false;
    }
    for (const QString &lineOnly : {QStringLiteral("duration"), QStringLiteral("port")}) {
        if (parser.isSet(lineOnly)) {
            error = QStringLiteral("report --recording reads no line; it takes no --%1").arg(lineOnly);
            return false;
        }
    }
    return true;
}

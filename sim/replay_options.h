#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>

struct SimOptions;

// --replay FILE and --loop: the box plays a recorded take.
QList<QCommandLineOption> replayOptions();

// Reads them into `options`; the fault, or an empty text when there is none.
QString readReplayOptions(const QCommandLineParser &parser, SimOptions &options);

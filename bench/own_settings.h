#pragma once

#include <QString>
#include <QTemporaryDir>

namespace bench {

// The settings of a benchmark, and of every program it starts, kept in a
// fresh folder of its own for the length of the run: it never reads or
// writes the operator's, and every run starts from the same first-run
// state. Made before the application object, before anything reads a
// setting.
class OwnSettings {
public:
    OwnSettings();

    bool isValid() const { return m_folder.isValid(); }
    QString path() const { return m_folder.path(); }

private:
    QTemporaryDir m_folder;
};

} // namespace bench

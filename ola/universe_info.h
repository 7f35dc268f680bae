#pragma once

#include <QString>
#include <QStringList>

// What olad says of one universe. olad keeps a universe only while a port
// is patched to it or a client sends to it or listens to it; levels sent to
// a universe it does not have are dropped without a word, and a universe
// without an output port goes nowhere beyond olad.
struct UniverseInfo {
    unsigned int number = 0;
    bool exists = false;
    QString name;
    bool htp = false;        // merge mode: highest takes precedence, else latest
    QStringList outputPorts; // their descriptions, as olad gives them
    QStringList inputPorts;  // sources of its own: a desk's Art-Net or sACN taken in

    bool patched() const { return exists && !outputPorts.isEmpty(); }
    bool operator==(const UniverseInfo &other) const
    {
        return number == other.number && exists == other.exists && name == other.name && htp == other.htp
            && outputPorts == other.outputPorts && inputPorts == other.inputPorts;
    }
    bool operator!=(const UniverseInfo &other) const { return !(*this == other); }
};

// A patched universe in a few words: "\"Stage\", merge LTP, output Dummy
// Port, no other source" (its input ports named as the other sources).
QString universeSummary(const UniverseInfo &info);

// Why an unpatched universe goes nowhere, and how to patch it, in one line:
// "OLA universe 7 does not exist in olad: patch an output port to it with
// ola_patch ... or in OLA's web page ...".
QString patchAdvice(const UniverseInfo &info);

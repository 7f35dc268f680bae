#pragma once

#include <QString>

// Without a usable display Qt prints a stack of platform warnings and
// aborts with a core dump. Armed before QApplication is made, the guard puts
// a platform that needs no display behind the ones Qt would try and holds
// back Qt's messages while the platform starts. Should every real display
// fail, displayProblem() then has one plain line for the operator, and the
// program ends normally; otherwise the held messages are let through and
// the guard steps aside.
void guardDisplayStartUp(int argc, char *argv[]);

// Once QApplication exists: empty when a display is in use.
QString displayProblem();

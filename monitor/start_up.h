#pragma once

#include <optional>

// What the monitor does before its window exists: answers --help and
// --version without needing a display, and sees to it that a display that
// cannot be opened ends the program with one plain line and status 1.
// Returns the exit status when the program is to end at once; nothing when
// it is to go on and open its window. Arguments it does not know are left
// to QApplication (-platform, -style and the like).
std::optional<int> answerStartUp(int argc, char *argv[]);

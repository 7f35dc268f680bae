#pragma once

// Without a usable display Qt prints a stack of platform warnings and
// aborts with a core dump. Armed before QApplication is made, the guard
// holds back Qt's messages while the platform plugin starts; should it fail,
// the operator gets one plain line on stderr and exit status 1 instead. Once
// the plugin is up the held messages are let through and the guard steps
// aside.
void guardDisplayStartUp();

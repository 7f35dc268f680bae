#pragma once

// How the monitor's own widgets answer a screen reader: the grid's cells,
// option buttons whose action is a click, Live Channels as a window of its
// own, combo boxes heard by their label, the heartbeat banner as a
// notification. A program installs them after making its QApplication, which
// installs Qt's own (the faces installed last are asked first), and before
// its first window: the first question about a widget settles its interface.
void installAccessibleFaces();

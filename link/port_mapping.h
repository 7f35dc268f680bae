#pragma once

#include <QString>

// The device that the operator's "Portn" opens: $LUMIVANE_PORTn when set,
// otherwise COMn on Windows and /dev/ttyS<n-1> elsewhere.
QString portDeviceName(int port);

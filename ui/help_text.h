#pragma once

#include <QString>

// The help window's whole text, kept apart from the window so it can be
// checked without building any widgets: seven paragraphs, each behind an
// empty line, then the five contact lines one under the other. Line breaks
// are single line feeds, and the text ends without one.
QString helpText();

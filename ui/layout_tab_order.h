#pragma once

class QLayout;

// Tab goes as the eye reads the window: through the layout's items in
// order, top to bottom and, within a row, left to right, into the widgets
// a widget lays out itself. Widgets made later (a tool added to a row)
// take their place by where they stand, not by when they were made.
void tabInLayoutOrder(QLayout *layout);

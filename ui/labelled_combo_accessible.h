#pragma once

class QAccessibleInterface;
class QObject;
class QString;

// On Linux Qt names a combo box by its current item ("Decimal 0-255"), so a
// screen reader says what it holds but not what it is for. A combo box with
// an accessible name of its own ("Show", its label's text) is heard by that
// name, with the current item as its value, the list as its child and the
// press that opens it.
QAccessibleInterface *labelledComboAccessible(const QString &key, QObject *object);

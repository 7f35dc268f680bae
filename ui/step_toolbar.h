#pragma once

#include <QToolBar>

class ImageList;

// Where one step button takes a slider's value: "Forward" (exactly) one up,
// any other key one down, never past `minimum` or `maximum`.
int steppedValue(int value, const QString &key, int minimum, int maximum);

// A toolbar with the two step buttons of a slider, "Forward" then "Back";
// a click reports the button's key.
class StepToolbar : public QToolBar {
    Q_OBJECT
public:
    // The toolbar takes `geometry`; its buttons shrink to fit a narrow one.
    StepToolbar(Qt::Orientation orientation, const ImageList &images, const QRect &geometry,
                QWidget *parent = nullptr);

    void setImages(const ImageList &images);

signals:
    void buttonClick(const QString &key);
};

#pragma once

#include "image_list.h"

#include <QToolBar>

// Where a step takes a slider's value: `delta` channels on, never past
// `minimum` or `maximum`.
int steppedValue(int value, int delta, int minimum, int maximum);

// A toolbar with the two step buttons of a slider, "Forward" then "Back";
// a click reports the step, +1 or -1.
class StepToolbar : public QToolBar {
    Q_OBJECT
public:
    // The toolbar takes `geometry`; its buttons shrink to fit a narrow one.
    StepToolbar(Qt::Orientation orientation, const ImageList &images, const QRect &geometry,
                QWidget *parent = nullptr);

    void setImages(const ImageList &images);
    // Names the buttons for a screen reader after what they step: "Reader 1
    // channel forward", and the overflow button that a narrow bar may show.
    void setSpoken(const QString &what);

signals:
    void stepped(int delta);

private:
    struct Button {
        const char *key; // the button's object name
        ImageList::Image image;
        int delta;
    };
    static constexpr Button kButtons[] = {
        {"Forward", ImageList::Image::Forward, +1},
        {"Back", ImageList::Image::Back, -1},
    };
};

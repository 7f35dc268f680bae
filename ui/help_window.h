#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QScrollArea;

// Modeless, top-level help window. It deletes itself when closed, so
// holders should keep it in a QPointer.
class HelpWindow : public QWidget
{
    Q_OBJECT

public:
    explicit HelpWindow(QWidget *parent = nullptr);

protected:
    // Page Up/Down and Home/End scroll the text while focus stays on Exit,
    // so the text is readable from the keyboard without a second tab stop.
    void keyPressEvent(QKeyEvent *event) override;

private:
    QScrollArea *m_labelArea = nullptr;
    QLabel *m_text = nullptr;
    QPushButton *m_exitButton = nullptr;
};

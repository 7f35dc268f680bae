#include "help_window.h"

#include "help_text.h"
#include "twips.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

namespace {

constexpr QSize kClientSize{twipsToPixels(11820), twipsToPixels(8130)};
constexpr QRect kTextRect = twipsRect(480, 360, 10935, 7215);
constexpr QRect kExitRect = twipsRect(10320, 7560, 975, 375);

} // namespace

HelpWindow::HelpWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("fHelp"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("HELP for Lumivane Mini Monitor"));
    setAccessibleName(windowTitle());
    setFixedSize(kClientSize);

    // The text is longer than the label's area at ordinary font sizes, so the
    // label sits in a frameless scroll area of exactly that rectangle rather
    // than being clipped.
    m_labelArea = new QScrollArea(this);
    m_labelArea->setObjectName(QStringLiteral("Label1Area"));
    m_labelArea->setAccessibleName(QStringLiteral("Help text"));
    m_labelArea->setGeometry(kTextRect);
    m_labelArea->setFrameShape(QFrame::NoFrame);
    m_labelArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_labelArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_labelArea->setFocusPolicy(Qt::NoFocus);
    m_labelArea->setWidgetResizable(true);

    m_text = new QLabel(m_labelArea);
    m_text->setObjectName(QStringLiteral("Label1"));
    m_text->setAccessibleName(QStringLiteral("Help text"));
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true);
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_text->setFocusPolicy(Qt::NoFocus);
    // Keeps wrapped lines off the scroll bar.
    m_text->setContentsMargins(0, 0, 6, 0);
    // Built afresh at every opening, never added to an earlier text.
    m_text->setText(helpText());
    m_labelArea->setWidget(m_text);
    // setWidget() makes the label paint its own background; keep the form's.
    m_text->setAutoFillBackground(false);
    m_labelArea->viewport()->setAutoFillBackground(false);

    m_exitButton = new QPushButton(QStringLiteral("Exit"), this);
    m_exitButton->setObjectName(QStringLiteral("cmdExit"));
    m_exitButton->setAccessibleName(QStringLiteral("Exit"));
    m_exitButton->setGeometry(kExitRect);
    m_exitButton->setAutoDefault(false);
    m_exitButton->setDefault(false);
    connect(m_exitButton, &QPushButton::clicked, this, &QWidget::close);
    auto *close = new QAction(QStringLiteral("Close"), this);
    close->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)});
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);

    m_exitButton->setFocus();
}

void HelpWindow::keyPressEvent(QKeyEvent *event)
{
    QScrollBar *bar = m_labelArea->verticalScrollBar();
    switch (event->key()) {
    case Qt::Key_PageUp:
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        break;
    case Qt::Key_PageDown:
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        break;
    case Qt::Key_Home:
        bar->triggerAction(QAbstractSlider::SliderToMinimum);
        break;
    case Qt::Key_End:
        bar->triggerAction(QAbstractSlider::SliderToMaximum);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

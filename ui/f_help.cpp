#include "f_help.h"

#include "help_text.h"
#include "twips.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

namespace {

constexpr QSize kClientSize{twipsToPixels(11820), twipsToPixels(8130)};
constexpr QRect kLabel1Rect = twipsRect(480, 360, 10935, 7215);
constexpr QRect kExitRect = twipsRect(10320, 7560, 975, 375);

} // namespace

fHelp::fHelp(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
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
    m_labelArea->setGeometry(kLabel1Rect);
    m_labelArea->setFrameShape(QFrame::NoFrame);
    m_labelArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_labelArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_labelArea->setFocusPolicy(Qt::NoFocus);
    m_labelArea->setWidgetResizable(true);

    Label1 = new QLabel(m_labelArea);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAccessibleName(QStringLiteral("Help text"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setFocusPolicy(Qt::NoFocus);
    // Keeps wrapped lines off the scroll bar.
    Label1->setContentsMargins(0, 0, 6, 0);
    Label1->setText(helpPieces().at(0));
    m_labelArea->setWidget(Label1);
    // setWidget() makes the label paint its own background; keep the form's.
    Label1->setAutoFillBackground(false);
    m_labelArea->viewport()->setAutoFillBackground(false);

    cmdExit = new QPushButton(QStringLiteral("Exit"), this);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdExit->setAccessibleName(QStringLiteral("Exit"));
    cmdExit->setGeometry(kExitRect);
    cmdExit->setAutoDefault(false);
    cmdExit->setDefault(false);
    connect(cmdExit, &QPushButton::clicked, this, &fHelp::cmdExit_Click);

    cmdExit->setFocus();

    Form_Load();
}

void fHelp::Form_Load()
{
    const QStringList pieces = helpPieces();
    for (int i = 1; i < pieces.size(); ++i)
        Label1->setText(Label1->text() + helpBreakBefore(i) + pieces.at(i));
}

void fHelp::cmdExit_Click()
{
    close();
}

void fHelp::keyPressEvent(QKeyEvent *event)
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

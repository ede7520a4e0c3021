#include "lock/frmLock.h"

#include "rules/NtLockTexts.h"
#include "platform/funct.h"
#include "rules/ShellSequences.h"
#include "ui/ProgramIcon.h"
#include "ui/WindowServices.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QRandomGenerator>

namespace {

std::function<double()> &RandomSource()
{
    static std::function<double()> source = [] { return QRandomGenerator::global()->generateDouble(); };
    return source;
}

// The files keep line breaks as CR LF; a label wants LF.
QString Shown(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

constexpr int kAllThreeModifiers = 1 | 2 | 4; // Shift, Ctrl, Alt

} // namespace

void frmLock::SetRandomSource(std::function<double()> source)
{
    RandomSource() = std::move(source);
}

frmLock::frmLock() : Form(kLockWindowFlags)
{
    setObjectName("frmLock");
    setFocusPolicy(Qt::StrongFocus);
    lblCaption = new CaptionBar(this);
    lblCaption->setObjectName("lblCaption");
    auto *client = new QWidget(this);
    client->setGeometry(LayOutBox(this, lblCaption, QSize(Twips(4680), Twips(1740))));

    imgIcon = new QLabel(client);
    imgIcon->setPixmap(ProgramIconPixmap(16));
    imgIcon->setFixedSize(16, 16);
    lblLine1 = new QLabel(client);
    lblLine2 = new QLabel(client);
    lblLine3 = new QLabel(client);
    lblLine1->setObjectName("lblLine1");
    lblLine2->setObjectName("lblLine2");
    lblLine3->setObjectName("lblLine3");
    auto *layout = new QGridLayout(client);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setHorizontalSpacing(12);
    layout->addWidget(imgIcon, 0, 0, Qt::AlignTop);
    int row = 0;
    for (QLabel *line : {lblLine1, lblLine2, lblLine3}) {
        line->setTextFormat(Qt::PlainText);
        line->setWordWrap(true);
        line->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        layout->addWidget(line, row++, 1);
    }
    layout->setRowStretch(3, 1);

    const NtLockTexts builtIn = BuiltInNtLockTexts();
    setWindowTitle(builtIn.caption);
    lblCaption->SetText(builtIn.caption);
    lblLine1->setText(Shown(builtIn.line1));
    lblLine2->setText(Shown(builtIn.line2));
    lblLine3->setText(Shown(builtIn.line3));

    tmrHop = NewTimer(this, 4000, true, [this] { onHopTimer(); }, TimerPace::IntervalAwake);
    tmrLayer = NewTimer(this, 1, true, [this] { onLayerTimer(); }, TimerPace::DisplayChanges);
}

void frmLock::onLoad()
{
    RunHidingSteps();
    FollowDesktop();
    // All four texts or none: a half-read set never shows.
    if (const std::optional<NtLockTexts> texts = ReadNtLockTexts()) {
        setWindowTitle(texts->caption);
        lblCaption->SetText(texts->caption);
        lblLine1->setText(Shown(texts->line1));
        lblLine2->setText(Shown(texts->line2));
        lblLine3->setText(Shown(texts->line3));
    }
}

// The state that comes with a key, including the modifier that key itself
// puts down: on X11 the reported state is the one before the key, and with
// Shift held the Alt key reports itself as Meta.
void frmLock::keyPressEvent(QKeyEvent *event)
{
    int shift = ShiftState(event->modifiers());
    switch (event->key()) {
    case Qt::Key_Shift:
        shift |= 1;
        break;
    case Qt::Key_Control:
        shift |= 2;
        break;
    case Qt::Key_Alt:
    case Qt::Key_Meta:
        shift |= 4;
        break;
    default:
        break;
    }
    onKeyDown(shift);
}

void frmLock::onKeyDown(int shift)
{
    // Only the modifiers count, not the key: any key with all three held.
    if ((shift & kAllThreeModifiers) != kAllThreeModifiers)
        return;
    // ShowNtStyleLock brings up the prompt once the box is gone.
    Unload();
}

// The background covers every monitor; the box hops on the primary one.
void frmLock::onHopTimer()
{
    const QRect area = PrimaryArea();
    // y is drawn before x; both stay inside the upper-left quarter.
    const double r1 = RandomSource()();
    const int y = int(r1 * area.height() / 2);
    const double r2 = RandomSource()();
    const int x = int(r2 * area.width() / 2);
    HopLockBox(this, QPoint(area.x() + x, area.y() + y));
}

void frmLock::onLayerTimer()
{
    FollowDesktop();
    SetWindowLayer(this, true);
}

// Centred at load, and again when the monitors change, so that the box
// never stays where no monitor shows it.
void frmLock::FollowDesktop()
{
    if (m_desktop.Changed())
        CentreOnPrimary(this);
}

void frmLock::paintEvent(QPaintEvent *event)
{
    Form::paintEvent(event);
    PaintWindowEdge(this);
}

void frmLock::onUnload()
{
    tmrHop->stop();
    tmrLayer->stop();
}

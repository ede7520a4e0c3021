#include "platform/WindowServices.h"

#include "platform/Cp1252.h"
#include "platform/FileIO.h"
#include "platform/RichText.h"
#include "platform/WmfReader.h"

#include <QCoreApplication>
#include <QCursor>
#include <QMenu>
#include <QFileInfo>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>

using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;

MsgResult MsgBox(const QString &text, MsgButtons buttons, MsgIcon icon, const QString &title,
                 QWidget *owner)
{
    return platform::services().dialogs->MessageBox(owner, text, title.isEmpty() ? app::Title() : title,
                                                    buttons, icon);
}

void Beep() { platform::services().dialogs->Beep(); }

QTimer *NewTimer(QObject *parent, int intervalMs, bool enabled, std::function<void()> onTick)
{
    auto *timer = new QTimer(parent);
    timer->setInterval(intervalMs);
    // Short intervals would be stretched by a coarse timer; keep them as given.
    timer->setTimerType(intervalMs < 20 ? Qt::PreciseTimer : Qt::CoarseTimer);
    QObject::connect(timer, &QTimer::timeout, parent, std::move(onTick));
    if (enabled)
        timer->start();
    return timer;
}

int ShiftState(Qt::KeyboardModifiers modifiers)
{
    int state = 0;
    if (modifiers & Qt::ShiftModifier)
        state |= 1;
    if (modifiers & Qt::ControlModifier)
        state |= 2;
    if (modifiers & Qt::AltModifier)
        state |= 4;
    return state;
}

QAction *ShowPopupMenu(QMenu &menu) { return menu.exec(QCursor::pos()); }

void DoEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

namespace {

// Supplies the masking character of one text box.
class MaskStyle : public QProxyStyle {
public:
    explicit MaskStyle(QChar mask) : m_mask(mask) {}
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return m_mask.unicode();
        if (hint == SH_LineEdit_PasswordMaskDelay)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

private:
    QChar m_mask;
};

} // namespace

TextBox::TextBox(QWidget *parent, int maxLength, QChar mask) : QLineEdit(parent)
{
    setMaxLength(maxLength);
    SetMaskChar(mask);
}

void TextBox::SetMaskChar(QChar mask)
{
    if (mask.isNull()) {
        setEchoMode(QLineEdit::Normal);
        return;
    }
    auto *style = new MaskStyle(mask);
    style->setParent(this);
    setStyle(style);
    setEchoMode(QLineEdit::Password);
}

LinkLabel::LinkLabel(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setMouseTracking(true);
    setTextFormat(Qt::PlainText);
}

void LinkLabel::SetColour(const QColor &colour)
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colour);
    setPalette(p);
}

void LinkLabel::SetUnderline(bool underline)
{
    QFont f = font();
    if (f.underline() == underline)
        return;
    f.setUnderline(underline);
    setFont(f);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

void LinkLabel::mouseMoveEvent(QMouseEvent *event)
{
    QLabel::mouseMoveEvent(event);
    Q_EMIT mouseMoved();
}

QImage ReadPictureFile(const QString &path)
{
    if (path.isEmpty())
        return {};
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == "wmf" || platform::LooksLikeWmf(path))
        return platform::RenderWmf(path);
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    if (suffix == "dib")
        reader.setFormat("bmp");
    QImage image = reader.read();
    return image;
}

PictureBox::PictureBox(QWidget *parent) : QLabel(parent) {}

bool PictureBox::LoadPicture(const QString &path)
{
    m_image = ReadPictureFile(path);
    update();
    return !m_image.isNull();
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), m_image);
}

RichTextBox::RichTextBox(QWidget *parent) : QTextEdit(parent) { setAcceptRichText(true); }

bool RichTextBox::LoadFile(const QString &path)
{
    // 64 MiB is far beyond any log or news file; it only bounds a runaway read.
    const platform::ReadResult read = platform::ReadFileHead(path, 64LL << 20);
    if (read.status != platform::ReadStatus::Ok)
        return false;
    if (platform::IsRtf(read.bytes))
        setDocument(platform::RtfToDocument(read.bytes, this));
    else
        setPlainText(platform::FromCp1252(read.bytes));
    return true;
}

namespace app {

namespace {
QString g_argText;
QString g_pathOverride;
QString g_title = QStringLiteral("Gardlock 2001");
} // namespace

QString ArgText() { return g_argText; }
void SetArgText(const QString &text) { g_argText = text; }

QString Path()
{
    if (!g_pathOverride.isEmpty())
        return g_pathOverride;
    return QCoreApplication::applicationDirPath();
}

void SetPathForTesting(const QString &folder) { g_pathOverride = folder; }

QString ExeName()
{
    const QString file = QCoreApplication::applicationFilePath();
    return file.isEmpty() ? QStringLiteral("gardlock") : QFileInfo(file).fileName();
}

QString VersionText() { return QString::number(kMajor) + "." + QString::number(kMinor); }
QString Title() { return g_title; }
void SetTitle(const QString &title) { g_title = title; }

} // namespace app

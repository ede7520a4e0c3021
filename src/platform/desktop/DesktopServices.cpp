#include "platform/desktop/DesktopServices.h"

#include "platform/ProcessFacts.h"
#include "platform/desktop/ClassicFrame.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QUrl>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace platform {

namespace {

// A message box that draws its own frame and title strip: a box of a lock is
// part of the lock, out of the window manager's hands, so nothing else would
// show its title.
class FramedMessageBox : public QMessageBox {
public:
    explicit FramedMessageBox(QWidget *owner) : QMessageBox(owner)
    {
        // Above the lock, out of the window manager's hands (which would
        // frame it and, once it closed, hand the focus to another program's
        // window), its keys going only to it.
        setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                       Qt::WindowStaysOnTopHint);
        setContentsMargins(kFrameEdgeWidth, kFrameEdgeWidth + CaptionStripHeight(font()), kFrameEdgeWidth,
                           kFrameEdgeWidth);
    }

protected:
    void showEvent(QShowEvent *event) override
    {
        QMessageBox::showEvent(event); // sizes the box to its text
        QFont bold = font();
        bold.setBold(true);
        const int needed = QFontMetrics(bold).horizontalAdvance(windowTitle()) + 2 * kFrameEdgeWidth + 12;
        if (width() < needed)
            setFixedWidth(needed); // a title is never cut short
    }

    void paintEvent(QPaintEvent *event) override
    {
        QMessageBox::paintEvent(event);
        QPainter painter(this);
        PaintRaisedEdge(painter, rect());
        PaintCaptionStrip(painter,
                          QRect(kFrameEdgeWidth, kFrameEdgeWidth, width() - 2 * kFrameEdgeWidth,
                                CaptionStripHeight(font())),
                          windowTitle(), font());
    }
};

} // namespace

MsgResult QtDialogs::MessageBox(QWidget *owner, const QString &text, const QString &title, MsgButtons buttons,
                                MsgIcon icon)
{
    const bool ofALock = owner && owner->window()->windowFlags().testFlag(Qt::X11BypassWindowManagerHint);
    std::unique_ptr<QMessageBox> made = ofALock ? std::make_unique<FramedMessageBox>(owner)
                                                : std::make_unique<QMessageBox>(owner);
    QMessageBox &box = *made;
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case MsgIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MsgIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MsgIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    }
    if (buttons == MsgButtons::OKCancel)
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    else
        box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? MsgResult::OK : MsgResult::Cancel;
}

void QtDialogs::Beep()
{
    QApplication::beep();
}

long DesktopLauncher::OpenDocument(const QString &target)
{
    QUrl url(target);
    if (url.scheme().size() <= 1) { // no scheme, or a drive letter
        QFileInfo file(target);
        if (file.isRelative() && !file.exists())
            file = QFileInfo(QDir(app::Path()).filePath(target));
        url = QUrl::fromLocalFile(file.absoluteFilePath());
    }
    return QDesktopServices::openUrl(url) ? kOpenedDocument : kDocumentNotFound;
}

bool DesktopLauncher::StartProgram(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments);
}

void ProcessSession::ForceLogOff()
{
    const QByteArray session = qgetenv("XDG_SESSION_ID");
    QStringList args{"terminate-session"};
    if (!session.isEmpty())
        args << QString::fromLocal8Bit(session);
    QProcess::execute("loginctl", args);
}

void ProcessSession::EndProgram(int exitCode)
{
    // Like the original "End": no further event handling, no unload steps.
    std::fflush(nullptr);
    ::_exit(exitCode);
}

} // namespace platform

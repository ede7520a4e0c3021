#include "platform/desktop/DesktopServices.h"

#include "platform/ProcessFacts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

#include <cstdio>
#include <unistd.h>

namespace platform {

MsgResult QtDialogs::MessageBox(QWidget *owner, const QString &text, const QString &title, MsgButtons buttons,
                                MsgIcon icon)
{
    QMessageBox box(owner);
    box.setWindowTitle(title);
    if (owner && owner->window()->windowFlags().testFlag(Qt::X11BypassWindowManagerHint)) {
        // A box of a lock is part of the lock: above it, out of the window
        // manager's hands (which would frame it and, once it closed, hand
        // the focus to another program's window), its keys going only to it.
        box.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                           Qt::WindowStaysOnTopHint);
        box.setStyleSheet(QStringLiteral("QMessageBox { border: 2px outset #c0c0c0; }"));
    }
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

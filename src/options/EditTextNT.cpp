#include "options/EditTextNT.h"

#include "formats/Cp1252.h"
#include "lock/LockWindow.h"
#include "rules/NtLockTexts.h"
#include "ui/ProgramIcon.h"
#include "ui/WindowServices.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const QString kLine2 = QStringLiteral("The PC can be unlocked by an authorized user.");
const QString kLine3 = QStringLiteral("Press CTRL + SHIFT + ALT to unlock");

NtLockTexts InitialTexts()
{
    return {QStringLiteral("System Locked"), QStringLiteral("This PC is in use and has been locked."),
            kLine2 + "\r\n", kLine3 + "\r\n"};
}

NtLockTexts DefaultTexts()
{
    return {QStringLiteral("System Locked"), QStringLiteral("This PC is in use and has been locked."), kLine2,
            kLine3};
}

// The files keep line breaks as CR LF; the boxes show LF.
QString Shown(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}
QString Stored(QString text)
{
    return text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
}

void LookLikeALabel(QWidget *box)
{
    QPalette face = box->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    box->setPalette(face);
}

} // namespace

EditTextNT::EditTextNT()
{
    setObjectName("EditTextNT");
    setWindowTitle(QStringLiteral("Text Editor - Gardlock 2001"));
    setFixedSize(Twips(6990), Twips(5010));

    lblHeading = new QLabel(QStringLiteral("Text Editor"), this);
    QFont bold = lblHeading->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    lblHeading->setFont(bold);
    lblHeading->setGeometry(12, 8, width() - 24, 22);

    lblExplanation =
        new QLabel(QStringLiteral("The box below represents the window that displays when the computer is "
                                  "locked using the NT Style protection mode. Click any text line below to "
                                  "edit its contents."),
                   this);
    lblExplanation->setWordWrap(true);
    lblExplanation->setGeometry(12, 32, width() - 24, 48);

    auto *fraLock = new QFrame(this);
    fraLock->setFrameShape(QFrame::WinPanel);
    fraLock->setFrameShadow(QFrame::Raised);
    fraLock->setGeometry(12, 84, width() - 24, 182);
    const int inner = fraLock->width() - 4;

    txtCaption = new QLineEdit(fraLock);
    txtCaption->setObjectName("txtCaption");
    txtCaption->setFrame(false);
    txtCaption->setGeometry(2, 2, inner, 20);
    QFont captionFont(QStringLiteral("MS Sans Serif"));
    captionFont.setPointSizeF(8.25);
    captionFont.setBold(true);
    txtCaption->setFont(captionFont);
    QPalette navy = txtCaption->palette();
    navy.setColor(QPalette::Base, QColor(0, 0, 128));
    navy.setColor(QPalette::Text, Qt::white);
    txtCaption->setPalette(navy);

    imgIcon = new QLabel(fraLock);
    imgIcon->setPixmap(ProgramIconPixmap(16));
    imgIcon->setGeometry(10, 32, 16, 16);

    txtLine1 = new QLineEdit(fraLock);
    txtLine1->setObjectName("txtLine1");
    txtLine1->setFrame(false);
    txtLine1->setGeometry(36, 30, inner - 40, 20);
    txtLine2 = new QPlainTextEdit(fraLock);
    txtLine2->setObjectName("txtLine2");
    txtLine2->setGeometry(36, 54, inner - 40, 58);
    txtLine3 = new QPlainTextEdit(fraLock);
    txtLine3->setObjectName("txtLine3");
    txtLine3->setGeometry(36, 116, inner - 40, 58);
    for (QPlainTextEdit *box : {txtLine2, txtLine3})
        box->setFrameShape(QFrame::NoFrame);
    for (QWidget *box : std::initializer_list<QWidget *>{txtLine1, txtLine2, txtLine3})
        LookLikeALabel(box);
    // Named for screen readers by their place in the lock's box.
    txtCaption->setAccessibleName(QStringLiteral("Caption"));
    txtLine1->setAccessibleName(QStringLiteral("Line 1"));
    txtLine2->setAccessibleName(QStringLiteral("Line 2"));
    txtLine3->setAccessibleName(QStringLiteral("Line 3"));

    cmdDefault = new QPushButton(QStringLiteral("&Default"), this);
    cmdClear = new QPushButton(QStringLiteral("Clea&r"), this);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdSave = new QPushButton(QStringLiteral("&Save"), this);
    cmdDefault->setObjectName("cmdDefault");
    cmdClear->setObjectName("cmdClear");
    cmdCancel->setObjectName("cmdCancel");
    cmdSave->setObjectName("cmdSave");
    int left = 12;
    for (QPushButton *button : {cmdDefault, cmdClear}) {
        button->setGeometry(left, height() - 12 - 28, 90, 28);
        left += 98;
    }
    int right = width() - 12 - 90;
    for (QPushButton *button : {cmdSave, cmdCancel}) {
        button->setGeometry(right, height() - 12 - 28, 90, 28);
        right -= 98;
    }
    connect(cmdDefault, &QPushButton::clicked, this, &EditTextNT::onDefaultClicked);
    connect(cmdClear, &QPushButton::clicked, this, &EditTextNT::onClearClicked);
    connect(cmdCancel, &QPushButton::clicked, this, &EditTextNT::onCancelClicked);
    connect(cmdSave, &QPushButton::clicked, this, &EditTextNT::onSaveClicked);

    PutTexts(InitialTexts());
}

void EditTextNT::onLoad()
{
    if (const std::optional<NtLockTexts> texts = ReadNtLockTexts())
        PutTexts(*texts);
}

void EditTextNT::onDefaultClicked()
{
    PutTexts(DefaultTexts());
}

void EditTextNT::onClearClicked()
{
    const QString hyphen = QStringLiteral("-");
    PutTexts({hyphen, hyphen, hyphen, hyphen});
}

void EditTextNT::onCancelClicked()
{
    Unload();
}

void EditTextNT::onSaveClicked()
{
    const NtLockTexts texts = BoxTexts();
    for (const QString *text : {&texts.caption, &texts.line1, &texts.line2, &texts.line3}) {
        if (!formats::IsCp1252(*text)) {
            MsgBox(QStringLiteral("A text contains a character that cannot be saved. Use letters, "
                                  "digits and the usual punctuation."),
                   platform::MsgButtons::OK, platform::MsgIcon::Exclamation, QString(), this);
            return;
        }
    }
    if (!WriteNtLockTexts(texts)) {
        MsgBox(QStringLiteral("An error has ocurred while trying to save data to your hard drive. "
                              "If this problem persists, re-install Deskward again or contact "
                              "Corvane Technologies."),
               platform::MsgButtons::OK, platform::MsgIcon::Exclamation, QStringLiteral("Error!"), this);
        return;
    }
    Unload();
}

void EditTextNT::PutTexts(const NtLockTexts &texts)
{
    txtCaption->setText(texts.caption);
    txtLine1->setText(texts.line1);
    txtLine2->setPlainText(Shown(texts.line2));
    txtLine3->setPlainText(Shown(texts.line3));
}

NtLockTexts EditTextNT::BoxTexts() const
{
    return {txtCaption->text(), txtLine1->text(), Stored(txtLine2->toPlainText()),
            Stored(txtLine3->toPlainText())};
}

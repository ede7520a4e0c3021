#include "platform/RichText.h"

#include <QTextDocument>

namespace platform {

bool IsRtf(const QByteArray &bytes) { return bytes.trimmed().startsWith("{\\rtf"); }

QTextDocument *RtfToDocument(const QByteArray &rtf, QObject *parent)
{
    auto *doc = new QTextDocument(parent);
    doc->setPlainText(QString::fromLatin1(rtf));
    return doc;
}

} // namespace platform

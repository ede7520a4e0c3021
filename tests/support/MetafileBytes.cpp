#include "support/MetafileBytes.h"

#include <QtEndian>

namespace testing_support::wmf {

QByteArray Le16(int v)
{
    QByteArray b(2, '\0');
    qToLittleEndian<quint16>(quint16(v), b.data());
    return b;
}

QByteArray Le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian<quint32>(v, b.data());
    return b;
}

QByteArray Record(int function, const std::vector<int> &words)
{
    QByteArray r = Le32(quint32(3 + words.size())) + Le16(function);
    for (int w : words)
        r += Le16(w);
    return r;
}

} // namespace testing_support::wmf

#pragma once
// Building Windows metafiles byte by byte for tests of the metafile player.

#include <QByteArray>
#include <QtGlobal>

#include <vector>

namespace testing_support::wmf {

QByteArray Le16(int v);
QByteArray Le32(quint32 v);
// One record: its size in 16-bit words, its function, its parameter words.
QByteArray Record(int function, const std::vector<int> &words);

} // namespace testing_support::wmf

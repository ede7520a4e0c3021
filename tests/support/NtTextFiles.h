#pragma once
// A sandboxed test over the NT-style lock's four text files: the rules'
// tests and the editor's share it.

#include "rules/NtLockTexts.h"
#include "support/Sandbox.h"

#include <QByteArray>
#include <QList>

namespace testing_support {

class NtTextsTest : public SandboxTest {
protected:
    QString file(int i) const { return NtLockTextFiles().at(i); }
    void WriteAll(const QList<QByteArray> &records)
    {
        for (int i = 0; i < records.size(); ++i)
            WriteBytes(file(i), records[i]);
    }
    QList<QByteArray> FileBytes() const
    {
        QList<QByteArray> bytes;
        for (int i = 0; i < 4; ++i)
            bytes << ReadBytes(file(i));
        return bytes;
    }
};

} // namespace testing_support

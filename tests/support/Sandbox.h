#pragma once
// The fixture every test uses: a fresh HOME, XDG_CONFIG_HOME and
// XDG_DATA_HOME in a temporary folder, fresh recorders, and no screens left
// behind.

#include "support/Recorders.h"

#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace testing_support {

class SandboxTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The sandbox's folders.
    QString home() const;
    QString driveC() const; // $XDG_DATA_HOME/gardlock/drive_c
    QString configHome() const;

    // Reads/writes a whole file as raw bytes.
    static QByteArray ReadBytes(const QString &path);
    static void WriteBytes(const QString &path, const QByteArray &bytes);

    RecordingShell &shell() { return recorders().shell; }
    RecordingDialogs &dialogs() { return recorders().dialogs; }
    RecordingLauncher &launcher() { return recorders().launcher; }
    RecordingSession &session() { return recorders().session; }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

} // namespace testing_support

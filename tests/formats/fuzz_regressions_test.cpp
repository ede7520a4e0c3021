// Every input a fuzzer ever found a fault with, and the seeds it starts from,
// go through the readers again on every test run: none may crash, hang or
// come back with a result the reader's contract rules out.

#include "formats/FieldReader.h"
#include "formats/RichText.h"
#include "formats/WmfReader.h"
#include "ui/Pictures.h"

#include <QDir>
#include <QFile>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace {

const QString kFuzzFolder = QStringLiteral(GARDLOCK_FUZZ_FOLDER);

// The seed and regression files of one reader.
QStringList Inputs(const QString &reader)
{
    QStringList files;
    for (const char *kind : {"seeds", "regressions"}) {
        const QDir folder(kFuzzFolder + "/" + kind + "/" + reader);
        for (const QString &name : folder.entryList(QDir::Files | QDir::NoDotAndDotDot))
            if (!name.startsWith('.'))
                files << folder.filePath(name);
    }
    return files;
}

QByteArray Bytes(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

TEST(FuzzRegressions, RichTextReaderTakesEveryKeptInput)
{
    const QStringList inputs = Inputs("rtf");
    ASSERT_FALSE(inputs.isEmpty());
    for (const QString &path : inputs) {
        SCOPED_TRACE(path.toStdString());
        const QByteArray bytes = Bytes(path);
        if (!formats::IsRtf(bytes))
            continue;
        std::unique_ptr<QTextDocument> document(formats::RtfToDocument(bytes, nullptr));
        ASSERT_NE(document, nullptr);
        // Text never grows beyond what the bytes could spell out.
        EXPECT_LE(document->characterCount(), bytes.size() + 1);
    }
}

TEST(FuzzRegressions, MetafilePlayerTakesEveryKeptInput)
{
    const QStringList inputs = Inputs("wmf");
    ASSERT_FALSE(inputs.isEmpty());
    for (const QString &path : inputs) {
        SCOPED_TRACE(path.toStdString());
        const QByteArray bytes = Bytes(path);
        const QImage image = formats::RenderWmf(bytes);
        if (!image.isNull()) {
            EXPECT_LE(qint64(image.width()) * image.height(), 64LL << 20);
        }
    }
}

TEST(FuzzRegressions, PictureLoaderTakesEveryKeptInput)
{
    const QStringList inputs = Inputs("picture");
    ASSERT_FALSE(inputs.isEmpty());
    int pictures = 0;
    for (const QString &path : inputs) {
        SCOPED_TRACE(path.toStdString());
        pictures += ReadPictureFile(path).isNull() ? 0 : 1;
    }
    // The seeds are real pictures of every format: they all load.
    EXPECT_GE(pictures, Inputs("picture").filter("/seeds/").size());
}

TEST(FuzzRegressions, FieldReaderTakesEveryKeptInput)
{
    const QStringList inputs = Inputs("field");
    ASSERT_FALSE(inputs.isEmpty());
    for (const QString &path : inputs) {
        SCOPED_TRACE(path.toStdString());
        const QByteArray bytes = Bytes(path);
        for (auto skip : {formats::SkipLineBreaks::No, formats::SkipLineBreaks::Yes})
            if (const auto field = formats::ReadFirstField(bytes, skip)) {
                EXPECT_LE(field->size(), bytes.size());
            }
    }
}

} // namespace

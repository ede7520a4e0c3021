#include "platform/print/CupsPrintSystem.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>

#include <cups/cups.h>

#include <optional>

namespace platform {

namespace {

const QString kPrintersKey = QStringLiteral("System\\CurrentControlSet\\Control\\Print\\Printers");

// One CUPS destination: a queue, or "queue/instance" for a saved set of options.
struct Destination {
    QString name;
    bool isDefault = false;
    std::optional<QString> deviceUri;
};

QString DestinationName(const cups_dest_t &dest)
{
    QString name = QString::fromLocal8Bit(dest.name);
    if (dest.instance)
        name += "/" + QString::fromLocal8Bit(dest.instance);
    return name;
}

// The destinations, asked afresh every time: printers come and go.
std::vector<Destination> Destinations()
{
    cups_dest_t *dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    std::vector<Destination> list;
    for (int i = 0; i < count; ++i) {
        Destination d;
        d.name = DestinationName(dests[i]);
        d.isDefault = dests[i].is_default != 0;
        if (const char *uri = cupsGetOption("device-uri", dests[i].num_options, dests[i].options))
            d.deviceUri = QString::fromLocal8Bit(uri);
        list.push_back(std::move(d));
    }
    cupsFreeDests(count, dests);
    return list;
}

class CupsPrintSystem : public PrintSystem {
public:
    QStringList PrinterNames() override
    {
        QStringList names;
        for (const Destination &d : Destinations())
            names << d.name;
        return names;
    }

    QString CurrentPrinter() override
    {
        if (!m_chosen) {
            // The current printer starts as the default one, as the system
            // names it when the program first asks.
            for (const Destination &d : Destinations())
                if (d.isDefault)
                    m_current = d.name;
            m_chosen = true;
        }
        return m_current;
    }

    void SetCurrentPrinter(const QString &deviceName) override
    {
        if (deviceName == m_current && m_chosen)
            return;
        m_current = deviceName;
        m_chosen = true;
        m_layout.reset(); // a new printer starts from its own page set-up
    }

    RegistryString QueryRegistryString(RegistryRoot root, const QString &key,
                                       const QString &valueName) override
    {
        const auto text = [](const QString &t) { return RegistryString{RegistryString::Status::Text, t}; };
        const RegistryString notString{RegistryString::Status::NotString, {}};
        const RegistryString noKey{RegistryString::Status::NoKey, {}};
        const std::vector<Destination> dests = Destinations();
        if (root == RegistryRoot::CurrentConfig && key.compare(kPrintersKey, Qt::CaseInsensitive) == 0) {
            if (valueName.compare(QStringLiteral("Default"), Qt::CaseInsensitive) != 0)
                return notString;
            for (const Destination &d : dests)
                if (d.isDefault)
                    return text(d.name);
            return notString;
        }
        const QString prefix = kPrintersKey + "\\";
        if (root != RegistryRoot::LocalMachine || !key.startsWith(prefix, Qt::CaseInsensitive))
            return noKey;
        const QString printer = key.mid(prefix.size());
        for (const Destination &d : dests) {
            if (d.name.compare(printer, Qt::CaseInsensitive) != 0)
                continue;
            if (valueName.compare(QStringLiteral("Port"), Qt::CaseInsensitive) != 0 || !d.deviceUri)
                return notString;
            return text(*d.deviceUri);
        }
        return noKey;
    }

    bool ShowPrinterProperties(const QString &deviceName, QWidget *parent) override
    {
        if (deviceName.isEmpty() || QPrinterInfo::printerInfo(deviceName).isNull())
            return false; // "OpenPrinterA" failed
        QPrinter printer(QPrinter::HighResolution);
        printer.setPrinterName(deviceName);
        const bool current = deviceName == CurrentPrinter();
        if (current && m_layout)
            printer.setPageLayout(*m_layout);
        QPageSetupDialog dialog(&printer, parent);
        dialog.setWindowTitle(deviceName + QStringLiteral(" Properties"));
        if (dialog.exec() == QDialog::Accepted && current)
            m_layout = printer.pageLayout(); // kept for later prints in this run
        return true;
    }

    bool PrintText(const QString &text, int copies) override
    {
        const QString name = CurrentPrinter();
        if (name.isEmpty())
            return false;
        QTemporaryFile pdf(QDir::tempPath() + "/gardlock-print-XXXXXX.pdf");
        if (!pdf.open())
            return false;
        if (!Render(name, text, pdf.fileName()))
            return false;

        const QString queue = name.section('/', 0, 0);
        const QString instance = name.section('/', 1);
        const QByteArray queueBytes = queue.toLocal8Bit();
        const QByteArray instanceBytes = instance.toLocal8Bit();
        cups_dest_t *dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queueBytes.constData(),
                                             instance.isEmpty() ? nullptr : instanceBytes.constData());
        if (!dest)
            return false;
        int numOptions = 0;
        cups_option_t *options = nullptr;
        for (int i = 0; i < dest->num_options; ++i)
            if (qstrcmp(dest->options[i].name, "device-uri") != 0)
                numOptions =
                    cupsAddOption(dest->options[i].name, dest->options[i].value, numOptions, &options);
        cupsFreeDests(1, dest);
        numOptions = cupsAddOption("copies", QByteArray::number(qBound(1, copies, 9)).constData(), numOptions,
                                   &options);
        const QByteArray file = pdf.fileName().toLocal8Bit();
        const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, queueBytes.constData(), file.constData(),
                                       "Gardlock 2001 - intruder.log", numOptions, options);
        cupsFreeOptions(numOptions, options);
        return job > 0;
    }

private:
    // The printer's pages: its own page size and margins, or those its
    // properties dialog set.
    bool Render(const QString &printerName, const QString &text, const QString &pdfPath)
    {
        QPrinter native(QPrinter::HighResolution);
        native.setPrinterName(printerName);
        return RenderPlainTextPdf(text, m_layout ? *m_layout : native.pageLayout(), pdfPath);
    }

    QString m_current;
    bool m_chosen = false;
    std::optional<QPageLayout> m_layout;
};

} // namespace

namespace {

// The visual lines of one text line: wrapped where the next character would
// pass the width, after the last blank when there is one on the line.
QStringList WrapLine(const QString &line, const QFontMetricsF &metrics, qreal width)
{
    QStringList pieces;
    qsizetype start = 0;
    while (start < line.size()) {
        qreal used = 0;
        qsizetype end = start;
        qsizetype lastBlank = -1;
        while (end < line.size()) {
            const qreal advance = metrics.horizontalAdvance(line[end]);
            if (used + advance > width && end > start)
                break;
            used += advance;
            if (line[end] == ' ')
                lastBlank = end;
            ++end;
        }
        if (end < line.size() && lastBlank > start)
            end = lastBlank + 1; // the blank stays at the end of the piece
        pieces << line.mid(start, end - start);
        start = end;
    }
    if (pieces.isEmpty())
        pieces << QString();
    return pieces;
}

} // namespace

bool RenderPlainTextPdf(QString text, const QPageLayout &layout, const QString &pdfPath)
{
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(pdfPath);
    pdf.setPageLayout(layout);
    pdf.setDocName(QStringLiteral("intruder.log"));

    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar('\r'), QChar('\n'));
    text.replace(QChar('\t'), QStringLiteral("        "));

    // Lines are laid out here, one after another, rather than as one rich
    // text document: a document of a few thousand pages outgrows the text
    // layout's coordinates and comes out as a single empty page.
    QPainter painter;
    if (!painter.begin(&pdf))
        return false;
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(9); // a whole record heading fits an A4 or Letter line
    painter.setFont(font);
    const QFontMetricsF metrics(font, &pdf);
    const QRectF area(QPointF(0, 0), QSizeF(pdf.width(), pdf.height()));
    const qreal lineHeight = metrics.lineSpacing();
    const int linesPerPage = qMax(1, int(area.height() / lineHeight));
    int row = 0;
    bool ok = true;
    for (const QString &line : text.split(QChar('\n'))) {
        for (const QString &piece : WrapLine(line, metrics, area.width())) {
            if (row == linesPerPage) {
                if (!pdf.newPage()) {
                    ok = false;
                    break;
                }
                row = 0;
            }
            painter.drawText(QPointF(0, row * lineHeight + metrics.ascent()), piece);
            ++row;
        }
    }
    ok = painter.end() && ok;
    return ok && pdf.printerState() != QPrinter::Error && QFileInfo(pdfPath).size() > 0;
}

std::unique_ptr<PrintSystem> CreateCupsPrintSystem()
{
    return std::make_unique<CupsPrintSystem>();
}

} // namespace platform

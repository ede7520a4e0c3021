#pragma once
// The print system over Qt Print Support and CUPS: the printers and the
// default one come from the CUPS server the user's client is set up for
// (CUPS_SERVER, ~/.cups/client.conf, /etc/cups/client.conf), the "Port" is a
// printer's device URI, the properties dialog is Qt's page set-up dialog, and
// a job is the text laid out by Qt into a PDF and handed to CUPS, whose
// answer says whether it was accepted.

#include "platform/Printing.h"

#include <QPageLayout>
#include <QString>

#include <memory>

namespace platform {

std::unique_ptr<PrintSystem> CreateCupsPrintSystem();

// How a job's text is laid out: on the pages of layout, in a 9-point
// fixed-pitch font from the top of the first page, long lines wrapped (after
// a blank where there is one) and pages broken where they fill; CR LF and
// lone CRs end lines, a tab is eight blanks. False when the PDF could not be
// written.
bool RenderPlainTextPdf(QString text, const QPageLayout &layout, const QString &pdfPath);

} // namespace platform

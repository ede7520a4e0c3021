#pragma once
// The print system over Qt Print Support and CUPS: the printers and the
// default one come from the CUPS server the user's client is set up for
// (CUPS_SERVER, ~/.cups/client.conf, /etc/cups/client.conf), the "Port" is a
// printer's device URI, the properties dialog is Qt's page set-up dialog, and
// a job is the text laid out by Qt into a PDF and handed to CUPS, whose
// answer says whether it was accepted.

#include "platform/Printing.h"

#include <memory>

namespace platform {

std::unique_ptr<PrintSystem> CreateCupsPrintSystem();

} // namespace platform

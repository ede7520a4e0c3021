#pragma once
// The print spooler seam of the log tools: the installed printers,
// the program's current printer, the two printer values the print dialog
// reads from the registry, the printer driver's properties dialog, and one
// plain-text job. main() installs the Qt Print Support / CUPS one
// (platform/print/); tests install a fake.

#include <QString>
#include <QStringList>

class QWidget;

namespace platform {

// The registry roots the print dialog reads from.
enum class RegistryRoot { CurrentConfig, LocalMachine };

// A string value read from the registry stand-in.
struct RegistryString {
    enum class Status {
        NoKey,     // the key could not be opened
        NotString, // the key is there but the value is missing or not a string
        Text,      // the value's text
    };
    Status status = Status::NoKey;
    QString text;
};

class PrintSystem {
public:
    virtual ~PrintSystem() = default;

    // The installed printers' device names, in the system's order.
    virtual QStringList PrinterNames() = 0;

    // The program's current printer: the system's default printer until one
    // is chosen, then the chosen one for the rest of the run. Empty when no
    // printer is installed.
    virtual QString CurrentPrinter() = 0;
    virtual void SetCurrentPrinter(const QString &deviceName) = 0;

    // The values the original read from the registry:
    //   CurrentConfig "System\CurrentControlSet\Control\Print\Printers", "Default":
    //     the system's default printer;
    //   LocalMachine "System\CurrentControlSet\Control\Print\Printers\<name>", "Port":
    //     where the printer's output goes (for CUPS, its device URI).
    // A key that names no printer reads as NoKey.
    virtual RegistryString QueryRegistryString(RegistryRoot root, const QString &key,
                                               const QString &valueName) = 0;

    // OpenPrinterA, PrinterProperties with parent as the owner, ClosePrinter:
    // false when the printer cannot be opened (nothing is shown then).
    virtual bool ShowPrinterProperties(const QString &deviceName, QWidget *parent) = 0;

    // Prints text on the current printer as one job of the given number of
    // copies and ends the document. False when the job could not be handed
    // to the spooler (no printer, the spooler not answering).
    virtual bool PrintText(const QString &text, int copies) = 0;
};

// The installed print system (Services::printers, platform/Platform.h);
// aborts when none was installed (a programming error, never a user's).
PrintSystem &printSystem();

} // namespace platform

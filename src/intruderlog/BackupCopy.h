#pragma once
// The program's one use of the shell's file copy: the intruder log's backup.

#include "platform/storage/ShellFileOperation.h"

// The record CopyFileWithShell hands to the shell (owner: the main screen's
// window when it is loaded).
ShFileOpStruct CopyFileRecord(const QString &source, const QString &destination, bool confirm,
                              bool showProgress);

// Copies one file into a folder through the shell; true exactly when the
// shell reports success. confirm false: an existing file is replaced without
// a question; showProgress false: no progress window.
bool CopyFileWithShell(const QString &source, const QString &destination, bool confirm, bool showProgress);

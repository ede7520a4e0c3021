#include "core/CommandLine.h"

CommandLine ReadCommandLine(int argc, const char *const *argv)
{
    CommandLine line;
    if (argc > 1) {
        const std::string_view first = argv[1];
        if (first == "--help" || first == "-h")
            line.request = Request::Help;
        else if (first == "--version")
            line.request = Request::Version;
        else if (first == kShowLogOption)
            line.request = Request::ShowLog;
        else if (first == kIntruderNoticeOption)
            line.request = Request::IntruderNotice;
    }
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line.argText += ' ';
        line.argText += argv[i];
    }
    line.row = switches::Find(line.argText);
    return line;
}

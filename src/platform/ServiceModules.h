#pragma once
// The services that only some screens need (the web windows' HTTP client and
// the log's printing) live in modules loaded on first use, so that a lock
// starting up links neither Qt Network nor Qt Print Support. These are the
// modules' file names and entry points, shared by the modules and the loader.

namespace platform {

class HttpClient;
class PrintSystem;

namespace modules {

inline constexpr char kHttpFile[] = "gardlock-http.so";
inline constexpr char kHttpEntry[] = "gardlock_new_http_client";
using HttpEntry = HttpClient *(*)();

inline constexpr char kPrintFile[] = "gardlock-print.so";
inline constexpr char kPrintEntry[] = "gardlock_new_print_system";
using PrintEntry = PrintSystem *(*)();

} // namespace modules
} // namespace platform

#include "platform/HttpFetch.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {
HttpClient *g_client = nullptr;
}

void installHttp(HttpClient *client)
{
    g_client = client;
}

std::shared_ptr<HttpTransfer> NewHttpTransfer()
{
    if (!g_client) {
        std::fprintf(stderr, "gardlock: no HTTP client installed\n");
        std::abort();
    }
    return g_client->NewTransfer();
}

} // namespace platform

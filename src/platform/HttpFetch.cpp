#include "platform/HttpFetch.h"
#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

std::shared_ptr<HttpTransfer> NewHttpTransfer()
{
    HttpClient *client = installed().http;
    if (!client) {
        std::fprintf(stderr, "gardlock: no HTTP client installed\n");
        std::abort();
    }
    return client->NewTransfer();
}

} // namespace platform

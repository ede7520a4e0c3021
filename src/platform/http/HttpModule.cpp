// The HTTP module's entry point: the loader calls it once and owns the client.

#include "platform/ServiceModules.h"
#include "platform/http/QtHttp.h"

extern "C" __attribute__((visibility("default"))) platform::HttpClient *gardlock_new_http_client()
{
    return new platform::QtHttpClient();
}

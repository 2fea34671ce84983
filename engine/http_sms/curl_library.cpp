#include "engine/http_sms/curl_library.h"

#include <curl/curl.h>

namespace trevalon {

bool CurlLibraryReady() {
    // A function-local static is initialised exactly once even when threads race for it; the
    // library stays initialised until the process ends.
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

}  // namespace trevalon

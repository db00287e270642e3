// The HTTP transport of server folders on Windows: WinHTTP from the system, with the user's
// proxy, the system's certificate check and WinHTTP's own redirects turned off.
#pragma once
#include <memory>

#include "sources/http_transport.h"

namespace WorkSpace {

// Null when WinHTTP cannot open a session (one log line says why).
std::unique_ptr<HttpTransport> MakeWinHttpTransport();

}  // namespace WorkSpace

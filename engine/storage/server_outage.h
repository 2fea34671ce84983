#pragma once

#include "engine/storage/database_client.h"

namespace trevalon {

// Whether a failure means that the server cannot be reached at the moment (connection refused
// or lost, server shutting down, connect or read time-out, no connection free on the server),
// as opposed to a refused account or a refused statement, which waiting does not mend.
bool ServerUnreachable(const DatabaseError& error);

}  // namespace trevalon

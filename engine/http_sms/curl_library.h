#pragma once

namespace trevalon {

// Initialises libcurl once per process, whichever thread asks first; false when that failed.
bool CurlLibraryReady();

}  // namespace trevalon

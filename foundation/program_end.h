#pragma once

// How the library asks the program to end without ending it itself.

#include <functional>
#include <string_view>

namespace trevalon {

// The library never ends the process itself: where a failure means the program must end, it
// calls the handler the program installed. Without one the request is only remembered.
using ProgramEndHandler = std::function<void(std::string_view reason)>;

void SetProgramEndHandler(ProgramEndHandler handler);
void RequestProgramEnd(std::string_view reason);
bool ProgramEndRequested();
// Forgets an earlier request; for tests and for a program that recovered.
void ClearProgramEndRequest();

}  // namespace trevalon

#include "foundation/owner_loop.h"

namespace trevalon {

OwnerLoop::~OwnerLoop() = default;

}  // namespace trevalon

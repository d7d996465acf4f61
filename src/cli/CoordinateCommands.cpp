// spawn-tool coords.

#include "ToolCommon.h"

namespace spawn::tool {

void addCoordinateCommands(CLI::App& /*app*/, Action& /*action*/) {}

} // namespace spawn::tool

// spawn-tool db-info and db-names, and the --elements option of other commands.

#include "ElementCommands.h"

#include "ToolCommon.h"

namespace spawn::tool {

Result<ElementNameTables> loadNameTablesForTool(const std::string& path) {
    return Error{"element database reading is not built yet: " + path};
}

void addElementCommands(CLI::App& /*app*/, Action& /*action*/) {}

} // namespace spawn::tool

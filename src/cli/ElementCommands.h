#pragma once

#include "ElementNameTables.h"
#include "Result.h"

#include <string>

namespace spawn::tool {

// The name tables of the element database at `path`, for commands that take --elements.
Result<ElementNameTables> loadNameTablesForTool(const std::string& path);

} // namespace spawn::tool

#pragma once

#include "ElementNameTables.h"
#include "Result.h"
#include "SpawnFile.h"

#include <string>

namespace spawn::tool {

// The name tables of the element database at `path`, for commands that take --elements.
Result<ElementNameTables> loadNameTablesForTool(const std::string& path);

// The spawn file at `file`, its records named from the element database at `elementsPath` when
// one is given (an empty path: every record keeps the not-found name).
Result<SpawnFile> loadSpawnFileForTool(const std::string& file, const std::string& elementsPath);

} // namespace spawn::tool

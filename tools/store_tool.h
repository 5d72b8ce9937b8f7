// The work of the store tool, apart from its main so that tests run it in process: see
// store_tool_run.cpp. Single-threaded.
#pragma once

#include <string>
#include <vector>

namespace qm {

// Runs `store_tool` with these arguments (without the program name) and returns its exit code
// (see store_tool_run.cpp): for create 0 when the three stores exist afterwards, 1 when one could
// not be created; for check 0 intact, 1 torn tail, 2 damaged, 3 not checked; for salvage 0 or 1;
// 64 on a usage error.
int RunStoreTool(const std::vector<std::string>& args);

}  // namespace qm

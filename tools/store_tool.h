// The work of the store tool, apart from its main so that tests run it in process: see
// store_tool_run.cpp. Single-threaded.
#pragma once

#include <string>
#include <vector>

namespace qm {

// Runs `store_tool` with these arguments (without the program name) and returns its exit code:
// 0 when the three stores exist afterwards, 1 when one could not be created, 2 on a usage error.
int RunStoreTool(const std::vector<std::string>& args);

}  // namespace qm

// Entry point of the store tool (create, check, salvage); the work is in store_tool_run.cpp.
#include "store_tool.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    return qm::RunStoreTool(std::vector<std::string>(argv + 1, argv + argc));
}

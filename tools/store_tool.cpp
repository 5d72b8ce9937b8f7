// Entry point of the store tool (store_tool create FOLDER [--overwrite]); the work is in
// store_tool_run.cpp.
#include <string>
#include <vector>

#include "store_tool.h"

int main(int argc, char** argv) {
    return qm::RunStoreTool(std::vector<std::string>(argv + 1, argv + argc));
}

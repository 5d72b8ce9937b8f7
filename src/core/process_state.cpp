// Process-wide state: see process_state.h.
#include "core/process_state.h"

namespace qm {

namespace {
ProcessState g_state;
}

void CreateProcessState() {
    g_state = ProcessState{};
}
void ReleaseProcessState() {
    g_state = ProcessState{};
}
ProcessState& State() {
    return g_state;
}

}  // namespace qm

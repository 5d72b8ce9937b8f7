// The fault hook of the file layer, shared by both backends: see file_io.h.
#include "platform/file_io.h"

namespace qm::fileio {

namespace {
// Never destroyed: the process-wide engine flushes its stores from a static destructor.
FaultHook& Hook() {
    static FaultHook* hook = new FaultHook;
    return *hook;
}
}  // namespace

void SetFaultHook(FaultHook hook) {
    Hook() = std::move(hook);
}

namespace {
bool g_syncToDisk = true;
}

void SetSyncToDiskForTesting(bool enabled) {
    g_syncToDisk = enabled;
}
bool SyncToDisk() {
    return g_syncToDisk;
}

Fault CheckFault(Op op) {
    const FaultHook& h = Hook();
    return h ? h(op) : Fault::None;
}

}  // namespace qm::fileio

// The fault hook of the file layer, shared by both backends: see file_io.h.
#include "platform/file_io.h"

namespace qm::fileio {

namespace {
// Never destroyed: the process-wide engine flushes its stores from a static destructor.
DetailedFaultHook& Hook() {
    static DetailedFaultHook* hook = new DetailedFaultHook;
    return *hook;
}
}  // namespace

void SetFaultHook(FaultHook hook) {
    if (hook)
        Hook() = [hook = std::move(hook)](const OpInfo& info) { return hook(info.op); };
    else
        Hook() = nullptr;
}

void SetDetailedFaultHook(DetailedFaultHook hook) {
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

Fault CheckFault(const OpInfo& info) {
    const DetailedFaultHook& h = Hook();
    return h ? h(info) : Fault::None;
}

}  // namespace qm::fileio

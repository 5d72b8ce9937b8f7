// The DLL that missing_dll.exe imports; it is built into a folder of its own.
__declspec(dllexport) int ProbeDllValue() {
    return 0;
}

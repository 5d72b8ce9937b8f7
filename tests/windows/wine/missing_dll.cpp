// A program whose DLL is left out of its folder: the Windows loader fails before main.
__declspec(dllimport) int ProbeDllValue();

int main() {
    return ProbeDllValue();
}

// Puts a server folder's credential into Credential Manager the way the configuration dialog
// does, for the end-to-end tests that do not drive the dialog:
//   lumora_credential.exe write URL USER PASSWORD | delete URL | read URL (prints the user)
#include <cstdio>
#include <string>

#include "sources/win32_credentials.h"

int wmain(int argc, wchar_t** argv) {
    using namespace WorkSpace;
    const std::wstring verb = argc > 2 ? argv[1] : L"";
    if (verb == L"write" && argc == 5) return WriteServerCredential(argv[2], {argv[3], argv[4]}) ? 0 : 1;
    if (verb == L"delete" && argc == 3) return DeleteServerCredential(argv[2]) ? 0 : 1;
    ServerCredential found;
    if (verb == L"read" && argc == 3 && ReadServerCredential(argv[2], found)) {
        std::printf("%ls\n", found.user.c_str());
        return 0;
    }
    std::fprintf(stderr, "usage: lumora_credential write URL USER PASSWORD | delete URL | read URL\n");
    return 2;
}

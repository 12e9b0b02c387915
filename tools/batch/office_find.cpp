// Finding LibreOffice's soffice, as a shell would find a command.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "office.h"

namespace {

bool Executable(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

} // namespace

std::string FindSoffice(const std::string& path) {
    if (!path.empty())
        return Executable(path) ? path : "";
    const char* env = std::getenv("PATH");
    std::string_view dirs = env != nullptr ? env : "";
    while (!dirs.empty()) {
        const size_t colon = dirs.find(':');
        std::string dir(dirs.substr(0, colon));
        dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
        const std::string candidate = (dir.empty() ? "." : dir) + "/soffice";
        if (Executable(candidate))
            return candidate;
    }
    return "";
}

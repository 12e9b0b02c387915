// mkexamples: writes the example PFS documents into a directory.
//
// Usage: mkexamples [DIR]   (DIR defaults to "examples" and is created when
// missing).  The documents are built by examples.cpp; running this again
// gives the same bytes, so the files checked in can always be regenerated.

#include "examples.h"
#include "save.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>

int main(int argc, char** argv) {
    std::string dir = argc > 1 ? argv[1] : "examples";
    if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "mkexamples: cannot create %s: %s\n", dir.c_str(),
                     std::strerror(errno));
        return 1;
    }
    for (const ExampleDocument& doc : AllExamples()) {
        std::string path = dir + "/" + doc.name;
        if (!SaveFile("mkexamples", path, doc.bytes))
            return 1;
        std::printf("%s (%zu bytes)\n", path.c_str(), doc.bytes.size());
    }
    return 0;
}

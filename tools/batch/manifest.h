// The manifest: a checksum list in the format `sha256sum -c` reads, with
// paths relative to the target folder, so that
// `cd TARGET_DIR && sha256sum -c FILE` verifies every file a batch made.
#pragma once

#include <cstdio>
#include <string>

// One line of the list, with its line feed: the 64 hexadecimal digits, two
// spaces and the path.  A path holding a backslash, a line feed or a
// carriage return is escaped as sha256sum escapes it: the line starts with
// a backslash and those characters are written \\, \n and \r.
std::string ManifestLine(const std::string& hex, const std::string& path);

// The list is written into a new file beside its final name and renamed
// over that name only when complete, so a reader sees the old list or the
// new one, never part of one.
class Manifest {
  public:
    Manifest() = default;
    Manifest(const Manifest&) = delete;
    Manifest& operator=(const Manifest&) = delete;
    // Removes the file beside the name when the list was not put in place.
    ~Manifest();
    // Creates the file beside name (in the same folder); false with errno.
    bool Open(const std::string& name);
    bool IsOpen() const { return fp_ != nullptr; }
    void Add(const std::string& hex, const std::string& path);
    // Puts the list on disk and renames it into place; false when any step failed.
    bool Commit();

  private:
    FILE* fp_ = nullptr;
    std::string name_, work_;
    bool failed_ = false;
};

// The file of -o: written aside and renamed into place, so that OUT is
// either what it was or the complete new output, never a part of it.
#pragma once

#include <cstdio>
#include <string>

namespace vnkdump {

struct OutputFile {
    std::string path; // OUT
    std::string temp; // the file being written, beside OUT
    FILE* stream = nullptr;
};

// True when path names the file the input was read from (inputName, or
// standard input for "-"): the same device and inode, whatever the name.
bool IsInput(const char* path, const char* inputName);

// Creates a new file beside path (".NAME.XXXXXX" in its folder, created
// exclusively, so no link or planted file is written through) with the
// permissions a new file gets; false with why filled.  Until it is committed
// or dropped, SIGINT, SIGTERM and SIGHUP remove it before they end the run.
bool OpenOutput(const char* path, OutputFile& file, std::string& why);

// Closes the file and renames it to its path; false with why filled (the
// file written aside is then removed).
bool CommitOutput(OutputFile& file, std::string& why);

// Closes and removes the file written aside.
void DropOutput(OutputFile& file);

} // namespace vnkdump

// The walk of the source tree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One entry of the source tree other than a folder that could be read.
struct WorkItem {
    std::string rel;      // path relative to the source folder, '/' between names
    bool regular = false; // a regular file: a document to convert
    int64_t size = 0;     // its size as the walk saw it
    int walkError = 0;    // errno when the walk could not read a folder or an entry
};

// Lists every entry under root (a folder) without following any symbolic
// link, sorted by relative path (bytewise).  False, with a message in
// error, when root itself cannot be walked.
bool WalkTree(const std::string& root, std::vector<WorkItem>& items, std::string& error);

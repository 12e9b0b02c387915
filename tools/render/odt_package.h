// An OpenDocument package zipped in memory with libzip: the file "mimetype"
// first, stored uncompressed (so that its bytes stand at offset 38 for file
// type detection), then the other parts, deflated.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace vnkdump {

struct PackagePart {
    std::string name; // path inside the package, e.g. "META-INF/manifest.xml"
    std::string data;
};

// Zips the mime type and the parts, in this order, into zip.  False with a
// message in why when libzip fails.
bool ZipPackage(const std::string& mimeType, const std::vector<PackagePart>& parts,
                std::string& zip, std::string& why);

} // namespace vnkdump

// The report: one JSON object a document (JSON Lines).
#pragma once

#include <cstdio>
#include <string>

#include "result.h"

// The report line of one document, without its line feed.  A path that is
// valid UTF-8 is written as "source" / "target"; any other as "source_hex"
// / "target_hex", its bytes in hexadecimal, so that nothing is lost.  With
// render (--render given), the line also holds "rendered", the list of the
// renderings written ("text", "html", "pdfa"), and "render_error" (or null).  With
// fixity, it holds "source_sha256" (null for a source that was not read)
// and "sha256", the checksums of the target and renderings in place, by
// the extension of the file ("vnk", "txt", "html", "odt", "pdf").
std::string ReportLine(const std::string& source, const std::string& target, const Result& r,
                       bool render, bool fixity);

// The extension a checksum is reported under ("vnk", "txt", ...), for the
// slots after HashSource.
const char* HashExtension(int slot);

// Writes lines to an open report; remembers a failed write.
class ReportFile {
  public:
    // "-" is standard output; a file is created or replaced.  False with errno.
    bool Open(const std::string& name);
    void Write(const std::string& line);
    // Flushes and closes; false when any write failed.
    bool Close();
    bool IsOpen() const { return fp_ != nullptr; }

  private:
    FILE* fp_ = nullptr;
    bool failed_ = false;
};

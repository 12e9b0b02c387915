// The report: one JSON object a document (JSON Lines).
#pragma once

#include <cstdio>
#include <string>

#include "result.h"

// The report line of one document, without its line feed.  A path that is
// valid UTF-8 is written as "source" / "target"; any other as "source_hex"
// / "target_hex", its bytes in hexadecimal, so that nothing is lost.  With
// render (--render given), the line also holds "rendered", the list of the
// renderings written ("text", "html"), and "render_error" (or null).
std::string ReportLine(const std::string& source, const std::string& target, const Result& r,
                       bool render);

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

// The example documents shipped in examples/, built in code so that they can
// be regenerated and extended, and so that tests can use the very same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ExampleDocument {
    std::string name; // file name, e.g. "letter.pfs"
    std::vector<uint8_t> bytes;
};

// A one-page letter with a running header and footer, then an enclosure page.
std::vector<uint8_t> LetterDocument();
// A short memo: no header, tab-aligned heading fields, format lines, merge
// and graph commands, a time field.
std::vector<uint8_t> MemoDocument();
// A generated report of about 60 KB, several input windows long.
std::vector<uint8_t> LongDocument();

// Every example, in the order of examples/README.md.
std::vector<ExampleDocument> AllExamples();

// Generator of documents shaped the way people typed them: the bench's
// third document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A PFS document of about approxBytes bytes made of short paragraphs (3 to
// 12 lines of 30 to 75 bytes, most closed by a soft line end), many typed
// with indentation spaces at the start of their lines, some double spaced;
// an empty line after about a third of them and a format line every few
// dozen lines; hyphenated line ends; an embedded command every 2 to 6 lines
// (known ones and ones the translator does not know); enhanced words every
// few lines, some changing attribute from character to character; stray
// one-byte control codes; tabs in some lines.  The same for the same
// arguments everywhere.
std::vector<uint8_t> GenerateTyped(size_t approxBytes, uint32_t seed);

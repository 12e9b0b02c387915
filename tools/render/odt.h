// The document as OpenDocument Text (vnkdump --odt, pfs2vnk-batch --render
// odt): a complete package made by libodfgen from the walker's document (see
// odt_sink.h), written to out in one piece.  Built only with librevenge,
// libodfgen and libzip (RENDER_HAVE_ODT is then defined for the users of the
// library).
//
// Exit statuses as for the other renderings: 0 for a sound stream; 1 when
// the stream ends inside a record: the package holds everything before it
// and the truncation is reported on err after the package is written.  2
// when the code page is unknown or the package could not be made (reported
// on err; nothing is written).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace vnkdump {

// The package's media type, the bytes of its file "mimetype".
constexpr const char* OdtMimeType = "application/vnd.oasis.opendocument.text";

// Writes the package of the document to out.  title (may be null) is the
// document's title; control characters and bytes that are not UTF-8 in it
// become '?'.
int RenderOdt(const uint8_t* data, size_t size, FILE* out, FILE* err, const char* codepage,
              const char* title);

// The title of the stream in the file path: its name without directories and
// without its last extension ("letters/smith.pfs.vnk" gives "smith.pfs").
std::string StreamTitle(const std::string& path);

} // namespace vnkdump

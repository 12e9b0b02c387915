// libodfgen writes each part of the package to its own handler; the parts
// are zipped together only when the walk is over, so a package appears
// whole or not at all.

#include <libodfgen/OdtGenerator.hxx>

#include "odt.h"
#include "odt_package.h"
#include "odt_sink.h"
#include "odt_xml.h"

namespace vnkdump {

namespace {

// Keeps valid UTF-8 sequences of printable characters; every other byte becomes '?'.
std::string CleanTitle(const char* title) {
    std::string in = title ? title : "Document", out;
    for (size_t i = 0; i < in.size();) {
        const auto b = static_cast<uint8_t>(in[i]);
        size_t n = b < 0x80             ? 1
                   : (b & 0xE0) == 0xC0 ? 2
                   : (b & 0xF0) == 0xE0 ? 3
                   : (b & 0xF8) == 0xF0 ? 4
                                        : 0;
        bool ok = n > 0 && i + n <= in.size() && !(n == 1 && (b < 0x20 || b == 0x7F));
        for (size_t k = 1; ok && k < n; ++k)
            ok = (static_cast<uint8_t>(in[i + k]) & 0xC0) == 0x80;
        if (ok && n == 2)
            ok = b >= 0xC2 && !(b == 0xC2 && static_cast<uint8_t>(in[i + 1]) < 0xA0);
        if (ok && n == 3) // no overlong forms, no surrogates
            ok = !(b == 0xE0 && static_cast<uint8_t>(in[i + 1]) < 0xA0) &&
                 !(b == 0xED && static_cast<uint8_t>(in[i + 1]) >= 0xA0);
        if (ok && n == 4)
            ok = b <= 0xF4 && !(b == 0xF0 && static_cast<uint8_t>(in[i + 1]) < 0x90) &&
                 !(b == 0xF4 && static_cast<uint8_t>(in[i + 1]) >= 0x90);
        if (ok) {
            out.append(in, i, n);
            i += n;
        } else {
            out += '?';
            ++i;
        }
    }
    return out;
}

} // namespace

std::string StreamTitle(const std::string& path) {
    if (path == "-")
        return "standard input";
    std::string name = path.substr(path.find_last_of('/') + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name.empty() ? "Document" : name;
}

int RenderOdt(const uint8_t* data, size_t size, FILE* out, FILE* err, const char* codepage,
              const char* title) {
    CodePage cp;
    if (!LoadNamedCodePage(codepage, cp, err))
        return 2;
    XmlHandler content, styles, meta, manifest;
    Element truncated{};
    bool sound;
    {
        OdtGenerator generator;
        generator.addDocumentHandler(&content, ODF_CONTENT_XML);
        generator.addDocumentHandler(&styles, ODF_STYLES_XML);
        generator.addDocumentHandler(&meta, ODF_META_XML);
        generator.addDocumentHandler(&manifest, ODF_MANIFEST_XML);
        OdtSink sink(generator, CleanTitle(title), "pfs2vnk/" PFS2VNK_VERSION);
        sink.Start();
        sound = WalkStream(data, size, cp, sink, truncated);
    }
    std::string zip, why;
    const bool made = content.Good() && styles.Good() && meta.Good() && manifest.Good();
    if (!made)
        why = "the XML writer failed";
    if (!made || !ZipPackage(OdtMimeType,
                             {{"META-INF/manifest.xml", manifest.Text()},
                              {"content.xml", content.Text()},
                              {"styles.xml", styles.Text()},
                              {"meta.xml", meta.Text()}},
                             zip, why)) {
        std::fprintf(err, "vnkdump: the ODT package could not be made: %s\n", why.c_str());
        return 2;
    }
    std::fwrite(zip.data(), 1, zip.size(), out);
    return WalkStatus(sound, truncated, out, err);
}

} // namespace vnkdump

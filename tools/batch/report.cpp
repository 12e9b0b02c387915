// Report lines built with nlohmann/json, which does all escaping and
// refuses invalid UTF-8: a name that it refuses goes out in hexadecimal.

#include "report.h"

#include <cerrno>

#include <nlohmann/json.hpp>

#include "fixity.h"

namespace {

using Json = nlohmann::ordered_json;

bool ValidUtf8(const std::string& text) {
    try {
        (void)Json(text).dump();
        return true;
    } catch (const Json::type_error&) {
        return false;
    }
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

void PutPath(Json& j, const std::string& key, const std::string& path) {
    if (ValidUtf8(path))
        j[key] = path;
    else
        j[key + "_hex"] = Hex(path);
}

bool Hashed(const Result& r, int slot) {
    return (r.hashed >> slot) & 1;
}

void PutChecksums(Json& j, const Result& r) {
    j["source_sha256"] =
        Hashed(r, HashSource) ? Json(HexDigest(r.digests[HashSource])) : Json(nullptr);
    Json sums = Json::object();
    for (int slot = HashSource + 1; slot < HashSlots; ++slot)
        if (Hashed(r, slot))
            sums[HashExtension(slot)] = HexDigest(r.digests[slot]);
    j["sha256"] = sums;
}

} // namespace

const char* HashExtension(int slot) {
    static const char* const names[HashSlots] = {"", "vnk", "txt", "html", "odt", "pdf"};
    return names[slot];
}

std::string ReportLine(const std::string& source, const std::string& target, const Result& r,
                       bool render, bool fixity) {
    Json j;
    PutPath(j, "source", source);
    PutPath(j, "target", target);
    j["status"] = StatusName(r.status);
    j["error"] = r.error;
    j["message"] = r.message[0] != '\0' ? Json(std::string(r.message)) : Json(nullptr);
    if (r.status == Status::Crashed)
        j["signal"] = r.signal;
    j["bytes_in"] = r.bytesIn;
    j["bytes_out"] = r.bytesOut;
    j["ms"] = static_cast<double>(static_cast<int64_t>(r.ms * 1000 + 0.5)) / 1000;
    j["complete"] = r.complete < 0 ? Json(nullptr) : Json(r.complete == 1);
    if (render) {
        Json kinds = Json::array();
        if (r.rendered & RenderedText)
            kinds.push_back("text");
        if (r.rendered & RenderedHtml)
            kinds.push_back("html");
        if (r.rendered & RenderedOdt)
            kinds.push_back("odt");
        if (r.rendered & RenderedPdf)
            kinds.push_back("pdfa");
        j["rendered"] = kinds;
        j["render_error"] =
            r.renderError[0] != '\0' ? Json(std::string(r.renderError)) : Json(nullptr);
    }
    if (fixity)
        PutChecksums(j, r);
    return j.dump(-1, ' ', false, Json::error_handler_t::replace);
}

bool ReportFile::Open(const std::string& name) {
    fp_ = name == "-" ? stdout : std::fopen(name.c_str(), "w");
    return fp_ != nullptr;
}

void ReportFile::Write(const std::string& line) {
    if (fp_ == nullptr)
        return;
    if (std::fwrite(line.data(), 1, line.size(), fp_) != line.size() ||
        std::fputc('\n', fp_) == EOF)
        failed_ = true;
}

bool ReportFile::Close() {
    if (fp_ == nullptr)
        return true;
    bool ok = std::fflush(fp_) == 0 && !failed_ && !std::ferror(fp_);
    if (fp_ != stdout)
        ok = std::fclose(fp_) == 0 && ok;
    fp_ = nullptr;
    return ok;
}

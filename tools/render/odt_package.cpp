// The archive is built in a libzip buffer source, so standard output may be
// a pipe: nothing is written until the package is whole.  Every entry gets
// the same fixed time (1980-01-01, the first a zip can hold) so that one
// stream always gives the same bytes.

#include "odt_package.h"

#include <zip.h>

#include <ctime>

namespace vnkdump {

namespace {

// 1980-01-01 00:00 local time, the earliest time a zip entry can hold.
time_t FixedTime() {
    tm t{};
    t.tm_year = 80;
    t.tm_mday = 1;
    t.tm_isdst = -1;
    return mktime(&t);
}

// Adds one entry; false with why filled.
bool AddEntry(zip_t* za, const std::string& name, const std::string& data, bool store,
              std::string& why) {
    zip_source_t* src = zip_source_buffer(za, data.data(), data.size(), 0);
    if (src == nullptr) {
        why = zip_strerror(za);
        return false;
    }
    const zip_int64_t index = zip_file_add(za, name.c_str(), src, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(src);
        why = zip_strerror(za);
        return false;
    }
    const auto i = static_cast<zip_uint64_t>(index);
    if (zip_set_file_compression(za, i, store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 9) != 0 ||
        zip_file_set_mtime(za, i, FixedTime(), 0) != 0) {
        why = zip_strerror(za);
        return false;
    }
    return true;
}

// Reads the whole of the closed archive's source into zip.
bool ReadBack(zip_source_t* src, std::string& zip, std::string& why) {
    zip_stat_t st;
    if (zip_source_open(src) != 0) {
        why = zip_error_strerror(zip_source_error(src));
        return false;
    }
    bool ok = zip_source_stat(src, &st) == 0 && (st.valid & ZIP_STAT_SIZE);
    if (ok) {
        zip.resize(st.size);
        ok = zip_source_read(src, zip.data(), st.size) == static_cast<zip_int64_t>(st.size);
    }
    if (!ok)
        why = zip_error_strerror(zip_source_error(src));
    zip_source_close(src);
    return ok;
}

} // namespace

bool ZipPackage(const std::string& mimeType, const std::vector<PackagePart>& parts,
                std::string& zip, std::string& why) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* za = src ? zip_open_from_source(src, ZIP_TRUNCATE, &error) : nullptr;
    if (za == nullptr) {
        why = zip_error_strerror(&error);
        zip_error_fini(&error);
        if (src != nullptr)
            zip_source_free(src);
        return false;
    }
    zip_error_fini(&error);
    zip_source_keep(src); // the archive's bytes are read from it after zip_close
    bool ok = AddEntry(za, "mimetype", mimeType, true, why);
    for (size_t i = 0; ok && i < parts.size(); ++i)
        ok = AddEntry(za, parts[i].name, parts[i].data, false, why);
    if (ok && zip_close(za) != 0) {
        why = zip_strerror(za);
        ok = false;
    }
    if (!ok)
        zip_discard(za);
    else
        ok = ReadBack(src, zip, why);
    zip_source_free(src);
    return ok;
}

} // namespace vnkdump

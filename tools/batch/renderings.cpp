// Rendering a target beside it, through the rendering library, in process.
//
// The target is read back whole from the target folder (opened with
// O_NOFOLLOW and O_NONBLOCK, and checked to be a regular file): a stream is
// about the size of its document, so memory stays bounded by the largest
// document of the batch.  Each rendering is written into the worker's
// working folder and renamed into place by Place after the target, so a
// rendering is complete or absent, never half-written.  The renderer's note
// about a stream that ends inside a record goes nowhere: such a stream still
// renders, and only a failure to write or place a file is reported.

#include "renderings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/error_codes.h"
#include "place.h"
#include "render.h"
#ifdef RENDER_HAVE_ODT
#include "odt.h"
#endif

namespace {

struct Kind {
    uint8_t bit;      // in Result::rendered
    const char* ext;  // added to the source's name
    const char* work; // its name in the working folder
    const char* what; // for messages
};

const Kind Kinds[] = {{RenderedText, ".txt", "doc.txt", "text"},
                      {RenderedHtml, ".html", "doc.html", "html"},
                      {RenderedOdt, ".odt", "doc.odt", "odt"}};

bool Asked(const RenderOptions& render, const Kind& k) {
    return k.bit == RenderedText ? render.text : k.bit == RenderedHtml ? render.html : render.odt;
}

// Renders stream as k to out; 0, 1 (a truncated stream, rendered up to the
// cut) or 2 (an unknown code page, or a package that could not be made).
int RenderKind(const Kind& k, const std::vector<uint8_t>& stream, FILE* out, FILE* notes,
               const char* cp, const std::string& target) {
    switch (k.bit) {
    case RenderedText:
        return vnkdump::RenderText(stream.data(), stream.size(), out, notes, cp);
    case RenderedHtml:
        return vnkdump::RenderHtml(stream.data(), stream.size(), out, notes, cp, target.c_str());
    default:
#ifdef RENDER_HAVE_ODT
        return vnkdump::RenderOdt(stream.data(), stream.size(), out, notes, cp,
                                  vnkdump::StreamTitle(target).c_str());
#else
        return 2; // the command line refuses --render odt in such a build
#endif
    }
}

// Reads the regular file name of dirFd whole; false with errno set.
bool ReadTarget(int dirFd, const std::string& name, std::vector<uint8_t>& bytes) {
    int fd = openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat st;
    bool ok = fd >= 0 && fstat(fd, &st) == 0;
    if (ok && !S_ISREG(st.st_mode)) {
        ok = false;
        errno = EINVAL;
    }
    if (ok) {
        bytes.resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        while (ok && done < bytes.size()) {
            ssize_t n =
                pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
            if (n > 0)
                done += static_cast<size_t>(n);
            else if (n == 0)
                bytes.resize(done); // it shrank meanwhile: what is there is the stream
            else
                ok = errno == EINTR;
        }
    }
    const int e = errno;
    if (fd >= 0)
        close(fd);
    errno = e;
    return ok;
}

// Writes the rendering of stream into the file k.work of slotFd; 0 or an errno.
int WriteRendering(const Kind& k, const RenderOptions& render, const std::vector<uint8_t>& stream,
                   int slotFd, const std::string& title) {
    int fd = openat(slotFd, k.work, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    FILE* out = fd >= 0 ? fdopen(fd, "w") : nullptr;
    if (out == nullptr) {
        const int e = errno;
        if (fd >= 0)
            close(fd);
        return e;
    }
    char* noteText = nullptr;
    size_t noteSize = 0;
    FILE* notes = open_memstream(&noteText, &noteSize);
    int e = notes == nullptr ? ENOMEM : 0;
    if (notes != nullptr) {
        const int status = RenderKind(k, stream, out, notes, render.codepage.c_str(), title);
        std::fclose(notes);
        if (status == 2)
            e = k.bit == RenderedOdt ? ENOMEM : EINVAL; // the package could not be made in
                                                        // memory; an unknown code page, which
                                                        // the command line already refuses
    }
    std::free(noteText);
    errno = 0;
    if (e == 0 && (std::fflush(out) != 0 || std::ferror(out)))
        e = errno != 0 ? errno : EIO;
    if (std::fclose(out) != 0 && e == 0)
        e = errno;
    return e;
}

void Note(Result& r, uint8_t bit, const std::string& text, int e) {
    r.renderFailed |= bit;
    if (e == ENOSPC || e == EDQUOT)
        r.noSpace = true;
    if (r.renderError[0] == '\0')
        std::snprintf(r.renderError, sizeof r.renderError, "%s: %s", text.c_str(),
                      std::strerror(e));
}

} // namespace

std::string TextName(const std::string& rel) {
    return rel + Kinds[0].ext;
}

std::string HtmlName(const std::string& rel) {
    return rel + Kinds[1].ext;
}

std::string OdtName(const std::string& rel) {
    return rel + Kinds[2].ext;
}

void RenderBeside(const WorkerSetup& setup, int slotFd, int dirFd, const std::string& sourceBase,
                  const timespec& mtime, bool all, Result& r) {
    const std::string target = TargetName(sourceBase);
    std::vector<uint8_t> stream;
    bool loaded = false;
    for (const Kind& k : Kinds) {
        const std::string name = sourceBase + k.ext;
        if (!Asked(setup.render, k) || (!all && InPlace(dirFd, name, mtime)))
            continue;
        if (!loaded && !ReadTarget(dirFd, target, stream)) {
            Note(r, k.bit, "the target could not be read to render it", errno);
            continue;
        }
        loaded = true;
        int step = ErrWrite;
        int e = WriteRendering(k, setup.render, stream, slotFd, target);
        if (e == 0)
            e = Place(setup, slotFd, k.work, dirFd, name, mtime, &step);
        unlinkat(slotFd, k.work, 0);
        if (e == 0)
            r.rendered |= k.bit;
        else
            Note(r, k.bit,
                 std::string(k.what) + (step == ErrWrite ? " rendering could not be written"
                                                         : " rendering could not be put in place"),
                 e);
    }
}

// From the documents' results to LibreOffice's jobs and back.

#include "pdfa.h"

#include <cstdio>

#include "fixity.h"
#include "place.h"
#include "renderings.h"

std::string PdfName(const std::string& rel) {
    return rel + ".pdf";
}

void WantPdf(const WorkerSetup& setup, int dirFd, const std::string& sourceBase,
             const timespec& mtime, Result& r) {
    if (!setup.render.pdf || (r.status != Status::Ok && r.status != Status::UpToDate) ||
        !InPlace(dirFd, OdtName(sourceBase), mtime))
        return; // no document, or no ODT (its failure is reported already)
    r.pdfWanted = r.status == Status::Ok || (r.rendered & RenderedOdt) != 0 ||
                  !InPlace(dirFd, PdfName(sourceBase), mtime);
}

OfficeEnd MakePdfs(const Options& opts, const std::vector<WorkItem>& items,
                   std::vector<Result>& results, int targetFd, int runFd,
                   const std::function<void(Result&)>& done, const std::function<void()>& tick) {
    std::vector<OfficeJob> jobs;
    for (uint32_t i = 0; i < results.size(); ++i)
        if (results[i].pdfWanted)
            jobs.push_back({i, OdtName(items[i].rel), PdfName(items[i].rel)});
    if (jobs.empty())
        return OfficeEnd::Finished;
    const OfficeSetup setup{opts.soffice, targetFd,     runFd,    opts.jobs,
                            MaxChunk,     opts.timeout, opts.sync};
    const bool fixity = WantsFixity(opts);
    auto sink = [&](const OfficeOutcome& o) {
        Result& r = results[o.index];
        r.pdfWanted = false;
        r.hashed &= static_cast<uint8_t>(~(1u << HashPdf));
        Digest d;
        if (o.ok) {
            r.rendered |= RenderedPdf;
            if (fixity && Sha256File(targetFd, PdfName(items[o.index].rel), d))
                PutDigest(r, HashPdf, d);
        } else {
            r.renderFailed |= RenderedPdf;
            if (r.renderError[0] == '\0')
                std::snprintf(r.renderError, sizeof r.renderError, "%s", o.error.c_str());
        }
        done(r);
    };
    return ConvertToPdf(setup, jobs, sink, tick);
}

// --render pdfa: a PDF/A-2b copy of each document beside its target, made
// by LibreOffice from the document's ODT once the translations are done.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "office.h"
#include "options.h"
#include "result.h"
#include "walk.h"
#include "worker.h"

// The name of the PDF: the source's name with ".pdf" added.
std::string PdfName(const std::string& rel);

// In the worker, once the document is done: sets r.pdfWanted when its ODT
// is in place beside the target (with the source's time mtime) and its PDF
// is to be made: the target or the ODT was written by this run, or the PDF
// is missing or has another time.
void WantPdf(const WorkerSetup& setup, int dirFd, const std::string& sourceBase,
             const timespec& mtime, Result& r);

// In the batch: converts the ODT of every result that wants a PDF with
// LibreOffice (-j of them at once, each with --timeout per document),
// completes the result (RenderedPdf, or renderFailed and renderError; the
// PDF's checksum with fixity) and hands it to done.  Interrupted after a
// stop signal, with the results not yet done left as they are.
OfficeEnd MakePdfs(const Options& opts, const std::vector<WorkItem>& items,
                   std::vector<Result>& results, int targetFd, int runFd,
                   const std::function<void(Result&)>& done, const std::function<void()>& tick);

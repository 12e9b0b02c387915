// Which files of a document are hashed, and under which name of the report.

#include "checksums.h"

#include "fixity.h"
#include "pdfa.h"
#include "renderings.h"

void HashOpenSource(int srcFd, Result& r) {
    Digest d;
    if (Sha256Fd(srcFd, d))
        PutDigest(r, HashSource, d);
}

void HashInPlace(const WorkerSetup& setup, int dirFd, const std::string& sourceBase,
                 const timespec& mtime, Result& r) {
    struct File {
        HashSlot slot;
        bool asked;
        std::string name;
    };
    const File files[] = {{HashVnk, true, TargetName(sourceBase)},
                          {HashTxt, setup.render.text, TextName(sourceBase)},
                          {HashHtml, setup.render.html, HtmlName(sourceBase)},
                          {HashOdt, setup.render.odt, OdtName(sourceBase)},
                          // a PDF still to be made is hashed once it is made
                          {HashPdf, setup.render.pdf && !r.pdfWanted, PdfName(sourceBase)}};
    for (const File& f : files) {
        Digest d;
        if (f.asked && Sha256InPlace(dirFd, f.name, mtime, d))
            PutDigest(r, f.slot, d);
    }
}

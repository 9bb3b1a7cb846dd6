#include "print/PreviewDriver.h"

#include "print/TPreview.h"
#include "print/TPrinter.h"

namespace drav::print {

int previewPageCount() {
    TPreview* p = TPreview::active();
    return p ? p->pageCount() : -1;
}

bool exportPreviewPdf(const QString& path) {
    TPreview* p = TPreview::active();
    return p && p->printer().savePdf(path, true, false);
}

bool closePreview() {
    TPreview* p = TPreview::active();
    return p && p->close();
}

}  // namespace drav::print

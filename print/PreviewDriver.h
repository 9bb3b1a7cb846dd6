// What the scripted acceptance driver does with an open preview, without
// the dialogs: count its pages, export them to a PDF path, close it.
// Each call acts on the preview that is open now (the innermost one).
#pragma once

#include <QString>

namespace drav::print {

// The number of recorded pages of the open preview; -1 when none is open.
int previewPageCount();
// Writes the open preview's pages to the PDF file; false when no preview is
// open or the file could not be written.
bool exportPreviewPdf(const QString& path);
// Closes the open preview as its exit button does; false when none is open.
bool closePreview();

}  // namespace drav::print

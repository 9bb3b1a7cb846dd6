// Printing recorded pages on a printer: what the preview's print button
// does once the print form is confirmed.
//
// Copies come out collated: for each copy every page of the range in order.
// Each page is replayed scaled from the recording printer's printable area
// onto the target's. The print-progress wait box counts the pages across
// all copies (1, 2, 3 ...).
#pragma once

#include <QPicture>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace drav::print {

class TPrinter;

// What the print form hands over.
struct PrintChoice {
    QString printer;
    int range = 1;  // 1 all pages, 2 the current page, 3 from .. to
    int from = 1;
    int to = 1;
    int copies = 1;
};

// A printer that takes finished pages.
class PrintTarget {
public:
    virtual ~PrintTarget() = default;
    // Starts the job; false when the printer cannot take it.
    virtual bool begin(const QString& title) = 0;
    // One page: the recorded picture, drawn in device units of a printable
    // area of recordedSize.
    virtual void printPage(int page, const QPicture& picture, QSize recordedSize) = 0;
    virtual void end() = 0;
};

// Opens the named printer; nullptr when it cannot be opened.
using PrintTargetFactory = std::function<std::unique_ptr<PrintTarget>(const QString& printer)>;
// Replaces how printers are opened (tests hand in a fake). Returns the previous.
PrintTargetFactory setPrintTargetFactory(PrintTargetFactory factory);
std::unique_ptr<PrintTarget> openPrintTarget(const QString& printer);

// The pages in the order they are printed.
std::vector<int> printOrder(const PrintChoice& choice, int currentPage, int pageCount);

// Prints the recorded pages of the document as chosen. A printer that cannot
// be opened is reported ("Impossibile trovare la stampante NAME.").
void printRecordedPages(const TPrinter& document, const PrintChoice& choice, int currentPage);

}  // namespace drav::print

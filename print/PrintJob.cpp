#include "print/PrintJob.h"

#include "print/PagePicture.h"
#include "print/PrintDevice.h"
#include "print/TPrinter.h"
#include "util/Messages.h"

#include <QPainter>
#include <QPrinter>
#include <utility>

namespace drav::print {
namespace {

// The real printer, opened by name with the shared settings.
class PrinterTarget : public PrintTarget {
public:
    explicit PrinterTarget(std::unique_ptr<PrintDevice> device) : m_device(std::move(device)) {}

    bool begin(const QString& title) override {
        QPrinter* p = m_device->printer();
        p->setDocName(title);
        return m_painter.begin(p);
    }

    void printPage(int, const QPicture& picture, QSize recorded) override {
        if (!m_painter.isActive()) return;
        if (m_pages++ > 0) m_device->printer()->newPage();
        const DeviceCaps& c = m_device->caps();
        m_painter.save();
        m_painter.setViewport(0, 0, c.horzRes, c.vertRes);
        m_painter.setWindow(0, 0, recorded.width(), recorded.height());
        drawPage(m_painter, picture);
        m_painter.restore();
    }

    void end() override {
        if (m_painter.isActive()) m_painter.end();
    }

private:
    std::unique_ptr<PrintDevice> m_device;
    QPainter m_painter;
    int m_pages = 0;
};

PrintTargetFactory& factorySlot() {
    static PrintTargetFactory f;
    return f;
}

}  // namespace

PrintTargetFactory setPrintTargetFactory(PrintTargetFactory factory) {
    return std::exchange(factorySlot(), std::move(factory));
}

std::unique_ptr<PrintTarget> openPrintTarget(const QString& printer) {
    if (const auto& f = factorySlot()) return f(printer);
    auto device = PrintDevice::named(printer);
    if (!device || !device->canPrint()) return nullptr;
    return std::make_unique<PrinterTarget>(std::move(device));
}

std::vector<int> printOrder(const PrintChoice& choice, int currentPage, int pageCount) {
    int first = 1, last = pageCount;
    if (choice.range == 2) {
        first = last = currentPage;
    } else if (choice.range == 3) {
        first = choice.from;
        last = choice.to;
    }
    first = std::max(first, 1);
    last = std::min(last, pageCount);
    std::vector<int> pages;
    for (int copy = 0; copy < choice.copies; ++copy)
        for (int p = first; p <= last; ++p) pages.push_back(p);
    return pages;
}

void printRecordedPages(const TPrinter& document, const PrintChoice& choice, int currentPage) {
    const QStringList& files = document.aMeta();
    PopMsgArgs open;
    open.print = true;
    popMsg(open);
    std::unique_ptr<PrintTarget> target = openPrintTarget(choice.printer);
    if (!target || !target->begin(document.cDocument())) {
        waitClose();
        msgInfo(QStringLiteral("Impossibile trovare la stampante ") + choice.printer +
                QStringLiteral("."));
        return;
    }
    const QSize recorded(document.nHorzRes(), document.nVertRes());
    for (int page : printOrder(choice, currentPage, int(files.size()))) {
        waitPage();
        QPicture picture;
        picture.load(files[page - 1]);
        target->printPage(page, picture, recorded);
    }
    target->end();
    waitClose();
}

}  // namespace drav::print

#include "print/TRGroup.h"

#include "print/TPrinter.h"
#include "print/TReport.h"

namespace drav::print {

TRGroup::TRGroup(TReport& report, ValueBlock group, TextBlock footer, std::function<int()> font,
                 bool eject)
    : oRpt(report),
      bGroup(std::move(group)),
      bFooter(std::move(footer)),
      bFont(font ? std::move(font) : [] { return 1; }),
      lEject(eject) {}

void TRGroup::say(bool end) {
    TReport& r = oRpt;
    if (bFooter) {
        r.startLine();
        r.device().say(r.nRow(), r.nLeftMargin(), bFooter(), r.font(bFont()), r.nLineWidth());
    }
    if (r.m_callbacks && r.m_callbacks->endGroup) r.m_callbacks->endGroup();
    if (bFooter) {
        if (!(r.lSummary() && !end)) r.endLine();
        if (!r.pageFull()) r.endLine();
    }
    if (lEject && !end) r.endPage(false);
}

}  // namespace drav::print

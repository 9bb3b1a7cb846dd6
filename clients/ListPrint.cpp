#include "clients/ListPrint.h"

#include "print/TReport.h"
#include "print/TableRowSource.h"

namespace drav::clients {

print::ValueBlock field(data::Table& table, const char* name) {
    const int pos = table.needField(name);
    return [&table, pos] { return table.get(pos); };
}

void printListed(data::Table& table, const QString& document, const QString& head,
                 double fontPoints, const std::vector<ListColumn>& columns) {
    print::TableRowSource rows(table);
    std::unique_ptr<print::TReport> report = print::listReport(document, head, fontPoints);
    report->setRowSource(&rows);
    for (const ListColumn& c : columns) {
        const QString title = c.title;
        report->addColumn({[title] { return title; }}, c.lines, {}, c.width);
    }
    report->activate();
}

}  // namespace drav::clients

// Sections: helpers; save; delete; search; run-card look-ups; print texts.
#include "clients/ClientRules.h"

#include "data/access/KeySearch.h"
#include "data/access/ScopedTable.h"
#include "data/access/Slots.h"
#include "data/access/TableAccess.h"
#include "util/Cp1252.h"
#include "util/Error.h"
#include "util/Messages.h"
#include "util/NumFormat.h"

#include <exception>
#include <memory>

namespace drav::clients {
namespace {

// ---- Helpers ---------------------------------------------------------------

// Makes a table's slot current for the lifetime of the object: the access
// operations (dbApp, nextCode, dbDel) act on the current table.
class SlotSelection {
public:
    explicit SlotSelection(int slot) : m_previous(data::currentSlot()) { data::select(slot); }
    ~SlotSelection() { data::select(m_previous); }
    SlotSelection(const SlotSelection&) = delete;
    SlotSelection& operator=(const SlotSelection&) = delete;

private:
    int m_previous;
};

// Releases every lock of the station on the table when it goes: after the
// commit on the normal way out, and without writing anything when an error
// cuts the save short (the first error is the one that counts).
class LockRelease {
public:
    explicit LockRelease(data::Table& t) : m_table(t), m_uncaught(std::uncaught_exceptions()) {}
    ~LockRelease() noexcept(false) {
        if (!m_table.isOpen()) return;
        if (std::uncaught_exceptions() > m_uncaught)
            (void)m_table.file().unlockAll();
        else
            m_table.unlock();
    }
    LockRelease(const LockRelease&) = delete;
    LockRelease& operator=(const LockRelease&) = delete;

private:
    data::Table& m_table;
    int m_uncaught;
};

// The folder of a table file: what the free-space check looks at.
std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

// Whether a live client, the one being edited included, holds the
// identifier: tag CLIENTI looked up with the identifier's capitals over its
// whole width. The controlling order (a search view, say) comes back.
bool identifierTaken(data::Table& t, const std::string& cliente) {
    const int tag = t.findOrder("CLIENTI");
    const int was = t.orderNumber();
    t.setOrder(tag);
    const bool found = t.seek(Value(data::keyCapitals(padTo(cliente, 35))));
    t.setOrder(was);
    return found;
}

}  // namespace

// ---- Save ------------------------------------------------------------------

SaveOutcome saveClient(data::Table& t, const Client& card, std::optional<uint32_t> editing) {
    if (data::isFull(folderOf(t.path()))) {
        if (editing) t.goTo(*editing);
        return SaveOutcome::DiskFull;
    }
    SlotSelection selected(t.slot());
    data::dbLock(t, false);
    LockRelease release(t);

    bool check = true;
    if (editing) {
        t.goTo(*editing);
        // A client deleted meanwhile comes back with the save; its
        // identifier may have been given to another client since.
        check = t.deleted() || t.text("CLIENTE") != card.cliente;
    }
    if (check && identifierTaken(t, card.cliente)) {
        if (editing) t.goTo(*editing);
        t.unlock();
        msgInfo(QStringLiteral("Cliente già presente."));
        return SaveOutcome::Duplicate;
    }

    if (editing) {
        t.goTo(*editing);
        data::dbLock(t, true);
        // A record another station deleted while the card was open comes
        // back with what the user has just confirmed.
        t.recall();
    } else {
        data::dbApp();
        t.put("CODICE", data::nextCode(true));
    }
    writeClient(t, card);
    t.commit();
    return SaveOutcome::Saved;
}

// ---- Delete ----------------------------------------------------------------

bool deleteClient(data::Table& clienti) {
    if (clienti.eof()) return false;
    const std::string codice = clienti.text("CODICE");
    SlotSelection selected(clienti.slot());
    // A client without a code (never given one) owns no ticket books: a
    // scope on blanks would take other records with it.
    if (!isBlank(codice)) {
        try {
            data::ScopedTable abbonam("ABBONAM", data::getNewAlias());
            data::ordAdd("ABBONAM");
            data::dbSetScope(Value(codice), Value(codice));
            for (abbonam->goTop(); !abbonam->eof();) data::dbDel(false);
        } catch (const Abandoned&) {
            // The error handler has told the user; the client stays with
            // whatever ticket books are left.
            data::select(clienti.slot());
            return false;
        }
    }
    data::select(clienti.slot());
    data::dbDel(true);
    return true;
}

// ---- Search ----------------------------------------------------------------

namespace {

enum class Match { Contains, Equals };

struct Term {
    std::vector<std::string> fields;  // joined with " " (containment in several fields)
    Match match;
    std::string value;  // capitals; trimmed (contains) or padded (equals)
};

// The field positions of a term, looked up once per table.
struct BoundTerm {
    std::vector<int> positions;
    Match match;
    std::string value;
};

bool meets(const BoundTerm& term, const data::RecordContext& r) {
    if (term.match == Match::Equals) {
        const Value v = r.fieldValue(term.positions.front());
        return isText(v) && std::get<std::string>(v) == term.value;
    }
    std::string joined;
    for (size_t i = 0; i < term.positions.size(); ++i) {
        if (i) joined += ' ';
        const Value v = r.fieldValue(term.positions[i]);
        if (isText(v)) joined += std::get<std::string>(v);
    }
    return data::keyCapitals(joined).find(term.value) != std::string::npos;
}

}  // namespace

std::optional<data::ViewCondition> searchCondition(const SearchInput& in) {
    std::vector<Term> terms;
    auto contains = [&](std::vector<std::string> fields, const std::string& typed) {
        const std::string v = trimBoth(typed);
        if (!v.empty()) terms.push_back({std::move(fields), Match::Contains, data::keyCapitals(v)});
    };
    auto equals = [&](const char* field, const std::string& typed, size_t width) {
        if (!isBlank(typed))
            terms.push_back({{field}, Match::Equals, data::keyCapitals(padTo(typed, width))});
    };
    contains({"CLIENTE", "RAGSOC1", "RAGSOC2", "RAGSOC3", "RAGSOC4", "RAGSOC5"}, in.cliente);
    contains({"INDIRIZZO"}, in.indirizzo);
    contains({"CITTA"}, in.citta);
    equals("CAP", in.cap, 5);
    equals("PROVINCIA", in.provincia, 2);
    contains({"TELEFONO"}, in.telefono);
    contains({"FAX"}, in.fax);
    equals("PARTIVA", in.partiva, 11);
    equals("CODFISC", in.codfisc, 16);
    equals("ATTIVITA", in.attivita, 20);
    contains({"NOTE"}, in.note);
    if (terms.empty()) return std::nullopt;

    // The positions are found on the first record the view looks at and kept.
    auto bound = std::make_shared<std::vector<BoundTerm>>();
    return data::ViewCondition([terms = std::move(terms), bound](const data::RecordContext& r) {
        if (bound->empty()) {
            for (const Term& t : terms) {
                BoundTerm b{{}, t.match, t.value};
                for (const std::string& f : t.fields) b.positions.push_back(r.fieldIndex(f));
                bound->push_back(std::move(b));
            }
        }
        for (const BoundTerm& t : *bound)
            if (!meets(t, r)) return false;
        return true;
    });
}

bool applySearch(const SearchInput& input) {
    std::optional<data::ViewCondition> condition = searchCondition(input);
    if (!condition) return false;
    data::dbSetView(*condition);
    return true;
}

// ---- Run-card look-ups -----------------------------------------------------

namespace {

std::string lookUp(std::string_view cliente, const char* field) {
    // An alias of its own: the caller may have CLIENTI open already.
    data::ScopedTable clienti("CLIENTI", data::getNewAlias());
    data::ordAdd("CLIENTI");
    clienti->seek(Value(data::keyCapitals(cliente)));
    // Not found: the table stands past its last record, on a blank record.
    return clienti->text(field);
}

}  // namespace

std::string indMitt(std::string_view cliente) {
    return lookUp(cliente, "INDIRIZZO");
}

std::string citMitt(std::string_view cliente) {
    return lookUp(cliente, "CITTA");
}

// ---- Print texts -----------------------------------------------------------

QStringList envelopeLines(const Client& c) {
    QStringList lines{QStringLiteral("Spett.le")};
    for (const std::string& r : c.ragsoc)
        if (!isBlank(r)) lines << fromCp1252(trimRight(r));
    lines << fromCp1252(trimRight(c.indirizzo));
    lines << fromCp1252(trimRight(c.cap + " " + trimBoth(c.citta) + " " + c.provincia));
    return lines;
}

QStringList wrapMemo(const QString& text, int width, int count) {
    QStringList out;
    QString normal = text;
    normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normal.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList paragraphs = normal.split(QLatin1Char('\n'));
    for (const QString& paragraph : paragraphs) {
        if (out.size() >= count) break;
        QString rest = paragraph;
        while (rest.size() > width && out.size() < count) {
            // The last blank that lets the line end within the width; a word
            // longer than the line is cut.
            int cut = rest.lastIndexOf(QLatin1Char(' '), width);
            if (cut <= 0) {
                out << rest.left(width);
                rest = rest.mid(width);
            } else {
                out << rest.left(cut);
                rest = rest.mid(cut + 1);
            }
        }
        if (out.size() < count) out << rest;
    }
    while (out.size() < count) out << QString();
    for (QString& line : out) {
        while (line.endsWith(QLatin1Char(' '))) line.chop(1);
    }
    return out.mid(0, count);
}

std::vector<GridLine> cardLines(const Client& c, Date today) {
    auto value = [](const std::string& field) { return fromCp1252(trimRight(field)); };
    auto amount = [](double v) { return QString::fromLatin1(trimBoth(enstr(v))); };
    constexpr double kValueColumn = 20;
    std::vector<GridLine> lines;
    auto labelled = [&](const char* label, const QString& v) {
        lines.push_back({QString::fromUtf8(label), kValueColumn, v});
    };
    auto empty = [&](int n) {
        for (int i = 0; i < n; ++i) lines.push_back({});
    };

    lines.push_back({QStringLiteral("STAMPA SCHEDA CLIENTE"), 37,
                     QString::fromLatin1(today.toText(DateFormat::TwoDigitYear))});
    empty(2);
    labelled("IDENTIFICATIVO:", value(c.cliente));
    empty(1);
    labelled("RAGIONE SOCIALE:", value(c.ragsoc[0]));
    for (size_t i = 1; i < 5; ++i) lines.push_back({{}, kValueColumn, value(c.ragsoc[i])});
    empty(1);
    labelled("INDIRIZZO:", value(c.indirizzo));
    labelled("CITTA':", value(c.citta));
    labelled("C.A.P.:", value(c.cap));
    labelled("PROVINCIA:", value(c.provincia));
    labelled("TELEFONO:", value(c.telefono));
    labelled("FAX:", value(c.fax));
    labelled("PARTITA IVA:", value(c.partiva));
    labelled("CODICE FISCALE:", value(c.codfisc));
    labelled("ATTIVITA':", value(c.attivita));
    labelled("FATTURA:", c.fattura ? QStringLiteral("SI") : QStringLiteral("NO"));
    labelled("BUONI CLIENTE:", amount(c.costoclie));
    labelled("BUONI PONY:", amount(c.costopony));
    labelled("PAGAMENTO:", value(c.pagamento));

    auto memo = [&](const char* title, const std::string& text) {
        empty(2);
        lines.push_back({QString::fromUtf8(title), std::nullopt, {}});
        empty(1);
        for (const QString& l : wrapMemo(fromCp1252(text), 70, 10))
            lines.push_back({l, std::nullopt, {}, true});
    };
    memo("FATTURARE A:", c.fatturaz);
    memo("NOTE:", c.note);
    return lines;
}

}  // namespace drav::clients

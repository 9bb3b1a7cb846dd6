// Index tags and views of the current table (declared in TableAccess.h).
// Sections: errors; adding and selecting tags; building tags; views.
#include "data/access/FilteredScan.h"
#include "data/access/OrderScan.h"
#include "data/access/OwnWaitMessage.h"
#include "data/access/Slots.h"
#include "data/access/TableAccess.h"
#include "data/access/TagOrder.h"
#include "data/cdx/IndexFile.h"
#include "data/dbf/TableScan.h"
#include "data/schema/Schema.h"
#include "util/Error.h"
#include "util/FileHelpers.h"
#include "util/Messages.h"
#include "util/Paths.h"

#include <unistd.h>

#include <array>

namespace drav::data {
namespace {

// ---- Errors ----------------------------------------------------------------

// A failure of an index file goes to the handler with the codes the index
// engine gave it (those of the table driver when it came from the table).
[[noreturn]] void indexFailure(const Status& s, TableOp tableOp) {
    raiseError(s.genCode() ? s.toErrorInfo() : tableErrorInfo(s, tableOp));
    throw Abandoned(s.toString());
}

[[noreturn]] void noSuchOrder(const std::string& what) {
    ErrorInfo e;
    e.subsystem = "DBCMD";
    e.genCode = gen::NotIndexed;
    e.operation = what;
    raiseError(std::move(e));
    throw Abandoned("no order " + what);
}

TagOrder* tagOrder(const Table& t, int n) {
    return dynamic_cast<TagOrder*>(t.order(n));
}

}  // namespace

// ---- Adding and selecting tags ---------------------------------------------

void ordAdd(std::string_view tagFile) {
    Table& t = current();
    IndexOpenOptions o;
    o.shared = t.isShared();
    o.readOnly = t.isReadOnly();
    o.tableName = t.path();
    std::unique_ptr<IndexFile> f;
    Status s = IndexFile::open(tagFileName(tagFile), t.file(), o, f);
    if (!s) indexFailure(s, TableOp::Open);
    t.addOrder(std::make_unique<TagOrder>(t.file(), std::move(f)));
}

int ordSetFocus(int order) {
    Table& t = current();
    const int was = t.orderNumber();
    if (order != 0 && !t.order(order)) noSuchOrder(std::to_string(order));
    t.setOrder(order);
    return was;
}

int ordSetFocus(std::string_view tagName) {
    const int n = current().findOrder(tagName);
    if (n == 0) noSuchOrder(std::string(tagName));
    return ordSetFocus(n);
}

// ---- Building tags ---------------------------------------------------------

namespace {

struct BuildCondition {
    std::string text;
    std::optional<ViewCondition> condition;
    bool withinScope = false;
};

// Set by ordCondSet, taken by the next build.
BuildCondition g_buildCondition;

void buildTag(Table& t, const std::string& path, std::string_view keyText, bool unique, bool view) {
    BuildCondition cond = std::exchange(g_buildCondition, {});
    // The same file open with this table is closed before it is emptied.
    for (int n = t.orderCount(); n >= 1; --n)
        if (TagOrder* o = tagOrder(t, n); o && o->path() == path) t.removeOrder(n);

    if (cond.condition)
        if (Status s = cond.condition->bind(t.file()); !s) indexFailure(s, TableOp::Read);
    TableScan everyRecord(t.file());
    OrderScan inScope(t.file(), t.controlling());
    RecordScan* records = cond.withinScope ? static_cast<RecordScan*>(&inScope) : &everyRecord;
    std::optional<FilteredScan> kept;
    if (cond.condition) records = &kept.emplace(*records, *cond.condition);

    IndexBuildOptions o;
    o.keyText = stripFieldPrefix(keyText);
    o.conditionText = cond.text;
    o.unique = unique;
    // A view is this instance's own: nobody else ever opens its file.
    o.shared = t.isShared() && !view;
    o.tableName = t.path();
    std::unique_ptr<IndexFile> f;
    Status s = IndexFile::create(path, *records, o, f);
    if (!s) indexFailure(s, TableOp::Read);
    t.addOrder(std::make_unique<TagOrder>(t.file(), std::move(f),
                                          cond.condition ? &*cond.condition : nullptr, view));
    t.setOrder(t.orderCount());
}

}  // namespace

void ordCondSet(std::string conditionText, std::optional<ViewCondition> condition,
                bool withinScope) {
    g_buildCondition = {std::move(conditionText), std::move(condition), withinScope};
}

void ordBuild(std::string_view tagFile, std::string_view keyText, bool unique) {
    buildTag(current(), tagFileName(tagFile), keyText, unique, false);
}

// ---- Views -----------------------------------------------------------------

namespace {

// For each slot, the order that controlled before its view was made (0:
// record-number order).
constexpr int kRememberedSlots = 250;
std::array<int, kRememberedSlots> g_remembered{};

int rememberedOrder(int slot) {
    return slot >= 1 && slot < kRememberedSlots ? g_remembered[slot] : 0;
}

void rememberOrder(int slot, int order) {
    if (slot >= 1 && slot < kRememberedSlots) g_remembered[slot] = order;
}

// The number of the slot's view among the table's orders; 0 when none.
int viewNumber(const Table& t) {
    for (int n = 1; n <= t.orderCount(); ++n)
        if (TagOrder* o = tagOrder(t, n); o && o->isView()) return n;
    return 0;
}

// Sets bounds on the controlling order when they are of its key's kind;
// bounds of another kind (those of a key the order does not have) are left
// out rather than refused.
void setScopeIfItFits(Table& t, const std::optional<Value>& top,
                      const std::optional<Value>& bottom) {
    Status s = t.controlling().setScope(top, bottom);
    if (s) return;
    if (s.code() != Status::Code::Invalid) t.check(s, TableOp::Read);
    t.check(t.controlling().setScope(std::nullopt, std::nullopt), TableOp::Read);
}

constexpr int kClearViewAttempts = 3;

}  // namespace

void forgetView(int slot) {
    rememberOrder(slot, 0);
}

void dbSetView(const ViewCondition& condition, const ViewOptions& options) {
    Table& t = current();
    if (instanceFolder().empty()) {
        // The temporary folder could not take an instance folder at start:
        // the view has nowhere to go, and the search is given up like any
        // file whose path is not there.
        ErrorInfo e;
        e.genCode = gen::Create;
        e.subCode = 1006;
        e.osCode = oscode::PathNotFound;
        e.description = "no instance folder for the view";
        e.fileName = tempFolder() + "/";
        raiseError(std::move(e));
        throw Abandoned("no instance folder");
    }
    // A condition that cannot be evaluated leaves the view in force alone.
    ViewCondition keep = condition;
    if (Status s = keep.bind(t.file()); !s) indexFailure(s, TableOp::Read);
    if (viewNumber(t)) dbClearView(options.keepOrder);

    const std::optional<Value> top = t.scopeTop(), bottom = t.scopeBottom();
    const std::string keyText = options.keyText ? *options.keyText : t.controlling().keyText();
    const bool quiet = options.quiet ? *options.quiet : curMsg().has_value();
    std::optional<OwnWaitMessage> wait;
    if (!quiet) wait.emplace(QStringLiteral("Elaborazione in corso..."), QString(), false);
    if (!options.keepOrder) rememberOrder(t.slot(), t.orderNumber());

    ordCondSet("!DELETED()", std::move(keep), options.withinScope);
    buildTag(t, viewFileName(t.slot()), keyText, options.unique, true);
    setScopeIfItFits(t, top, bottom);
    wait.reset();
    t.goTop();
}

void dbClearView(bool keepOrder) {
    Table& t = current();
    const int view = viewNumber(t);
    const int inControl = t.orderNumber();
    int target = inControl;
    if (view && (!keepOrder || inControl == view)) target = rememberedOrder(t.slot());
    // Numbered as they will be once the view has gone.
    if (view && target == view)
        target = 0;
    else if (view && target > view)
        --target;
    const std::optional<Value> top = t.scopeTop(), bottom = t.scopeBottom();
    for (int attempt = 1;; ++attempt) {
        try {
            if (int n = viewNumber(t)) t.removeOrder(n);
            ::unlink(viewFileName(t.slot()).c_str());
            t.setOrder(target);
            setScopeIfItFits(t, top, bottom);
            t.goTop();
            return;
        } catch (const Abandoned&) {
            // The handler has reported the step that failed.
            if (attempt == kClearViewAttempts) throw;
        }
    }
}

}  // namespace drav::data

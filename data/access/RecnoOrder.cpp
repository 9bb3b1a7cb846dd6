// Record-number order. Sections: moving; seek and scope; counting.
#include "data/access/RecnoOrder.h"

#include "data/dbf/TableFile.h"

#include <cmath>

namespace drav::data {

// ---- Moving ----------------------------------------------------------------

Status RecnoOrder::toEof() {
    return m_file.goTo(0);
}

Status RecnoOrder::firstVisibleFrom(uint32_t r) {
    if (r < m_lo) r = m_lo;
    for (;; ++r) {
        if (r > m_hi || r == 0) return toEof();
        if (Status s = m_file.goTo(r); !s) return s;
        if (m_file.eof() || !m_file.deleted()) return Status::ok();
    }
}

Status RecnoOrder::lastVisibleUpTo(uint32_t r, bool* found) {
    *found = false;
    uint32_t count = 0;
    if (Status s = m_file.recCount(&count); !s) return s;
    if (r > count) r = count;
    if (r > m_hi) r = m_hi;
    for (; r >= m_lo && r >= 1; --r) {
        if (Status s = m_file.goTo(r); !s) return s;
        if (!m_file.eof() && !m_file.deleted()) {
            *found = true;
            return Status::ok();
        }
    }
    return Status::ok();
}

Status RecnoOrder::goTop() {
    Status s = firstVisibleFrom(m_lo);
    m_bof = m_file.eof();  // an empty scope is at both ends
    return s;
}

Status RecnoOrder::goBottom() {
    bool found = false;
    if (Status s = lastVisibleUpTo(UINT32_MAX, &found); !s) return s;
    m_bof = !found;
    return found ? Status::ok() : toEof();
}

Status RecnoOrder::skip(int64_t n) {
    if (n == 0) return m_file.eof() ? Status::ok() : m_file.goTo(m_file.recno());
    for (; n > 0; --n) {
        if (m_file.eof()) break;
        if (Status s = firstVisibleFrom(m_file.recno() + 1); !s) return s;
        m_bof = false;
    }
    for (; n < 0; ++n) {
        if (m_file.eof()) {
            if (Status s = goBottom(); !s) return s;
            if (m_file.eof()) break;
            continue;
        }
        bool found = false;
        if (Status s = lastVisibleUpTo(m_file.recno() - 1, &found); !s) return s;
        if (!found) {
            // Before the first record of the scope: stay on it, at the beginning.
            if (Status s = goTop(); !s) return s;
            m_bof = true;
            break;
        }
        m_bof = false;
    }
    return Status::ok();
}

Status RecnoOrder::goToRecord(uint32_t) {
    m_bof = false;
    return Status::ok();
}

// ---- Seek and scope --------------------------------------------------------

namespace {

Status notANumber(const TableFile& file) {
    return Status::invalid(file.path(), "wrong kind of value for the record number");
}

}  // namespace

Status RecnoOrder::seek(const Value& key, bool soft, bool* found) {
    *found = false;
    m_bof = false;
    if (!isNumber(key)) return notANumber(m_file);
    double n = std::get<double>(key);
    if (n >= m_lo && n <= m_hi && n == std::floor(n)) {
        if (Status s = m_file.goTo(static_cast<uint32_t>(n)); !s) return s;
        if (!m_file.eof() && !m_file.deleted()) {
            *found = true;
            return Status::ok();
        }
    }
    if (!soft) return toEof();
    if (n > static_cast<double>(UINT32_MAX)) return toEof();
    return firstVisibleFrom(n < 1 ? 1 : static_cast<uint32_t>(std::ceil(n)));
}

Status RecnoOrder::setScope(const std::optional<Value>& top, const std::optional<Value>& bottom) {
    auto present = [](const std::optional<Value>& v) { return v && !isNil(*v); };
    if ((present(top) && !isNumber(*top)) || (present(bottom) && !isNumber(*bottom)))
        return notANumber(m_file);
    m_top = present(top) ? top : std::nullopt;
    m_bottom = present(bottom) ? bottom : std::nullopt;
    m_lo = 1;
    m_hi = UINT32_MAX;
    if (m_top) {
        double t = std::ceil(std::get<double>(*m_top));
        m_lo = t <= 1 ? 1 : t >= double(UINT32_MAX) ? UINT32_MAX : static_cast<uint32_t>(t);
    }
    if (m_bottom) {
        double b = std::floor(std::get<double>(*m_bottom));
        m_hi = b <= 0 ? 0 : b >= double(UINT32_MAX) ? UINT32_MAX : static_cast<uint32_t>(b);
    }
    return Status::ok();
}

// ---- Counting --------------------------------------------------------------

Status RecnoOrder::countUpTo(uint32_t last, uint64_t* count) {
    *count = 0;
    const uint32_t lo = m_lo, hi = std::min(m_hi, last);
    if (hi < lo) return Status::ok();
    return m_file.scan()->forEach([&](const RecordContext& r) {
        if (r.recno() >= lo && r.recno() <= hi && !r.deleted()) ++*count;
        return Status::ok();
    });
}

Status RecnoOrder::keyCount(uint64_t* count) {
    return countUpTo(UINT32_MAX, count);
}

Status RecnoOrder::keyPosition(uint64_t* position) {
    if (m_file.eof()) {
        *position = 0;
        return Status::ok();
    }
    return countUpTo(m_file.recno(), position);
}

std::string RecnoOrder::currentKey() const {
    return m_file.eof() ? std::string() : std::to_string(m_file.recno());
}

}  // namespace drav::data

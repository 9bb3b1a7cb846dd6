#include "data/dbf/RecordView.h"

#include "data/dbf/FieldCodec.h"

namespace drav::data {

Status RecordView::decode(const TableLayout& layout, const MemoFile* memo, const char* record,
                          int index, Value* out) {
    const FieldDef& f = layout.field(index);
    std::string_view b(record + layout.offset(index), static_cast<size_t>(f.length));
    switch (f.type) {
        case 'N':
            *out = codec::decodeNumber(b);
            break;
        case 'D':
            *out = codec::decodeDate(b);
            break;
        case 'L':
            *out = codec::decodeLogical(b[0]);
            break;
        case 'M': {
            uint32_t block = 0;
            std::string text;
            if (!codec::decodeMemoBlock(b, &block)) {
                *out = std::string();
                return Status::corruption(memo ? memo->path() : "", "bad memo block number");
            }
            if (block != 0) {
                if (!memo) return Status::corruption("", "memo field without memo file");
                Status s = memo->read(block, &text);
                if (!s) text.clear();
                *out = std::move(text);
                return s;
            }
            *out = std::string();
            break;
        }
        default:
            *out = std::string(b);
            break;
    }
    return Status::ok();
}

Value RecordView::fieldValue(int index) const {
    Value v;
    (void)decode(*m_layout, m_memo, m_bytes, index, &v);
    return v;
}

}  // namespace drav::data

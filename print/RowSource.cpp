#include "print/RowSource.h"

#include <utility>

namespace drav::print {
namespace {
CurrentRowSourceProvider& providerSlot() {
    static CurrentRowSourceProvider p;
    return p;
}
}  // namespace

CurrentRowSourceProvider setCurrentRowSourceProvider(CurrentRowSourceProvider provider) {
    return std::exchange(providerSlot(), std::move(provider));
}

RowSource* currentRowSource() {
    const auto& p = providerSlot();
    return p ? p() : nullptr;
}

}  // namespace drav::print

#include "pf/clipboard/testing.h"

#include "MemoryClipboard.h"

namespace pf::clipboard::testing {

using detail::MemoryClipboard;

void putForeignContent(const std::u16string& mimeType, PFClipboardContent content, PFClipboardMode mode) {
    MemoryClipboard::instance().edit(mode, [&](PFClipboardData& data) {
        std::visit(
            [&](auto&& held) {
                if constexpr (!std::is_same_v<std::decay_t<decltype(held)>, std::monostate>) {
                    data.addData(mimeType, std::move(held));
                }
            },
            std::move(content));
    });
}

void setFailingCalls(unsigned mask) { MemoryClipboard::instance().setFailingCalls(mask); }

PFClipboardAction clipboardAction(PFClipboardMode mode) { return MemoryClipboard::instance().action(mode); }

void reset() { MemoryClipboard::instance().reset(); }

}  // namespace pf::clipboard::testing

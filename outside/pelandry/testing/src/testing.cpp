#include "pf/clipboard/testing.h"

#include "PlatformClipboard.h"

namespace pf::clipboard::testing {

using detail::PlatformClipboard;

void putForeignContent(const std::u16string& mimeType, PFClipboardContent content, PFClipboardMode mode) {
    PlatformClipboard::instance().edit(mode, [&](PFClipboardData& data) {
        std::visit(
            [&](auto&& held) {
                if constexpr (!std::is_same_v<std::decay_t<decltype(held)>, std::monostate>) {
                    data.addData(mimeType, std::move(held));
                }
            },
            std::move(content));
    });
}

void setFailingCalls(unsigned mask) { PlatformClipboard::instance().setFailingCalls(mask); }

PFClipboardAction clipboardAction(PFClipboardMode mode) { return PlatformClipboard::instance().action(mode); }

void reset() { PlatformClipboard::instance().reset(); }

}  // namespace pf::clipboard::testing

#include "cefexchange/payload_message.h"

#include <string>

namespace cefexchange {

void writeMessageText(std::ostream& stream, int indent, const google::protobuf::Message& payload) {
    stream << std::string(indent > 0 ? static_cast<std::size_t>(indent) : 0, ' ') << payload.GetDescriptor()->name()
           << "Message { " << payload.ShortDebugString() << " }";
}

}  // namespace cefexchange

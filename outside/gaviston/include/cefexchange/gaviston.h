#pragma once

namespace cefexchange {

// The browser window protocol on the exchange.
class Gaviston {
public:
    // Registers every browser window service message with the exchange protocol, under its class name
    // ("cefexchange::SetTitleMessage" and so on). Needs ExchangeProtocol::init first; calling it again
    // does no harm.
    static void init();
};

}  // namespace cefexchange

#pragma once

#include <poll.h>

#include <chrono>
#include <functional>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <boost/pointer_cast.hpp>

#include "exchange_harness.h"

namespace exchange_test {

// The program that starts the browser-window host, speaking raw frames: it can send what no exchange would.
class RawHost {
public:
    using MessagePtr = boost::shared_ptr<const exchange::Message>;

    explicit RawHost(const std::string& path) : acceptor_(context_, boost::asio::local::stream_protocol::endpoint(path)) {}

    // Takes the browser-window host's connection and answers its handshake under the given name.
    void accept(const std::string& name, std::chrono::milliseconds limit = 10000ms) {
        pollfd waiting{acceptor_.native_handle(), POLLIN, 0};
        if (::poll(&waiting, 1, static_cast<int>(limit.count())) != 1)
            throw std::runtime_error("the browser-window host did not connect");
        end_.emplace(acceptor_.accept());
        end_->writeHandshake(name, kProtocol, kVersion);
        auto first = end_->readFrame();
        if (!first || !first->has_handshake()) throw std::runtime_error("no handshake from the browser-window host");
    }

    exchange::IDType send(const exchange::Message& message,
                          const std::string& service = cefexchange::CEFServiceAPI::serviceName) {
        std::string type;
        std::string payload;
        exchange::ExchangeProtocol::encode(message, type, payload);
        return sendRaw(type, payload, service);
    }
    exchange::IDType sendRaw(const std::string& type, const std::string& payload,
                             const std::string& service = cefexchange::CEFServiceAPI::serviceName) {
        const exchange::IDType id = nextId_++;
        end_->write(messageFrame(type, payload, id, service));
        return id;
    }

    // Reads until the reply to id has come; false when the stream ends or the time is up first.
    bool awaitReply(exchange::IDType id, std::chrono::milliseconds limit = 10000ms) {
        return readUntil([&] { return replies_.count(id) > 0; }, limit);
    }

    // Reads until an event of type M satisfies the test; empty when the stream ends or the time is up first.
    template <class M>
    boost::shared_ptr<const M> awaitEvent(const std::function<bool(const M&)>& test,
                                          std::chrono::milliseconds limit = 10000ms) {
        boost::shared_ptr<const M> found;
        readUntil([&] {
            for (const MessagePtr& event : events_) {
                auto typed = boost::dynamic_pointer_cast<const M>(event);
                if (typed && test(*typed)) found = typed;
            }
            return found != nullptr;
        }, limit);
        return found;
    }

    // The events of type M that satisfy the test, among those read so far.
    template <class M>
    std::size_t countEvents(const std::function<bool(const M&)>& test) const {
        std::size_t count = 0;
        for (const MessagePtr& event : events_) {
            auto typed = boost::dynamic_pointer_cast<const M>(event);
            count += typed && test(*typed);
        }
        return count;
    }

    bool ended() const { return end_ && end_->ended(); }

private:
    template <class Done>
    bool readUntil(Done done, std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline || ended()) return false;
            if (auto frame = end_->readFrame()) take(*frame);
        }
        return true;
    }
    void take(const exchange::wire::Frame& frame) {
        if (frame.has_reply()) replies_.insert(frame.reply().id());
        if (frame.has_message())
            events_.push_back(exchange::ExchangeProtocol::decode(frame.message().type(), frame.message().payload()));
    }

    boost::asio::io_context context_;
    boost::asio::local::stream_protocol::acceptor acceptor_;
    std::optional<RawEnd> end_;
    exchange::IDType nextId_ = 1;
    std::set<exchange::IDType> replies_;
    std::vector<MessagePtr> events_;
};

}  // namespace exchange_test

#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include <boost/asio/local/stream_protocol.hpp>
#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <google/protobuf/arena.h>

#include "foundation/msg_svc/exchange/default_exchange.h"
#include "foundation/msg_svc/exchange/frame_reader.h"
#include "foundation/msg_svc/exchange/partner_link.h"
#include "platform/brief_wait.h"

namespace foundation::msg_svc::exchange {

// What one side tells the other first; both sides must speak the same protocol and version.
struct HandshakeInfo {
    std::string name;
    std::string protocol;
    std::string version;
};

// Bytes waiting to be written, counted over several connections.
class OutputBudget {
public:
    explicit OutputBudget(std::size_t limit) : limit_(limit) {}
    // Counts the bytes unless the budget is spent already; says whether it did.
    bool take(std::size_t bytes);
    void giveBack(std::size_t bytes) { used_ -= bytes; }
    std::size_t used() const { return used_; }

private:
    const std::size_t limit_;
    std::atomic<std::size_t> used_{0};
};

// What a connection does while its partner reads less than is written to it.
struct OutputLimits {
    // While more than this waits to be written, the partner's input is not read; reading resumes once half of it
    // has gone. The partner's own writes then wait.
    std::size_t pauseReadingAbove = kMaxFrameLength;
    // Once more than this waits, further frames are refused: the send throws std::runtime_error and, with
    // disconnectWhenRefused, the connection ends (the close handler hears why).
    std::size_t refuseAbove = 2 * std::size_t{kMaxFrameLength};
    bool disconnectWhenRefused = false;
    // Shared with other connections: once it is spent, frames are refused as above.
    std::shared_ptr<OutputBudget> sharedBudget;
};

// One exchange partner reached over a connected stream socket. Messages the exchange hands to it are
// written as frames; frames that arrive are handed to the exchange. The socket must have been made on
// a strand: every handler runs there.
class StreamConnection : public PartnerLink, public boost::enable_shared_from_this<StreamConnection> {
public:
    using Socket = boost::asio::local::stream_protocol::socket;
    // Called once with the partner's name after a handshake of the same protocol and version; returning
    // false closes the connection.
    using HandshakeHandler = std::function<bool(const std::string& partnerName)>;
    // Called once when the connection ends for any reason other than close().
    using CloseHandler = std::function<void(const std::string& reason)>;

    static boost::shared_ptr<StreamConnection> create(Socket socket, boost::shared_ptr<DefaultExchange> exchange,
                                                      HandshakeInfo local, HandshakeHandler onHandshake,
                                                      CloseHandler onClose, OutputLimits limits = {});

    // Sends this side's handshake and starts reading.
    void start();
    // Ends the connection without calling the close handler; sends to the partner fail from now on.
    void close();

    // Empty until the partner's handshake has arrived.
    std::string partnerName() const;
    bool isOpen() const { return !closed_; }

    // Throw std::runtime_error when the connection is closed, not yet handshaken, a frame is refused by the
    // output limits, or the message type is not registered with the exchange protocol.
    void deliver(const boost::shared_ptr<const Envelope>& envelope) override;
    void deliverReply(const Address& destination, IDType messageId,
                      const boost::shared_ptr<const Reply>& reply) override;

private:
    StreamConnection(Socket socket, boost::shared_ptr<DefaultExchange> exchange, HandshakeInfo local,
                     HandshakeHandler onHandshake, CloseHandler onClose, OutputLimits limits);

    // Appends the frame to the outbox and, when no write is under way, becomes the writer on the calling thread.
    void queueFrame(const wire::Frame& frame, bool needsHandshake);
    // The writer, entered with the lock held: takes the whole outbox at a time and writes it without the lock,
    // for as long as the socket takes everything and more arrives; the rest is left to the strand.
    void writeQueued(std::unique_lock<std::mutex>& lock);
    // What the socket takes now.
    std::size_t sendWithoutWaiting(const std::string& bytes) const;
    // On the strand: waits for the socket to take the rest of writingFrames_, then writes on.
    void writeRest();
    // Under mutex_: counts bytes written or dropped, and resumes reading once enough has gone.
    void release(std::size_t bytes);
    // Under mutex_: whether a frame of the given size is refused.
    bool refuses(std::size_t bytes);
    // Ends the connection because its partner does not read.
    void disconnectUnread();
    // On the strand: reads and handles the partner's frames until its input has to be waited for.
    void readMore();
    // On the strand: reads and handles the partner's next input once the reactor finds it.
    void awaitInput();
    // On the strand: reads what the socket holds now into readBuffer_; false when it holds nothing yet. The end
    // of input and a failure come back as the error.
    bool receiveWithoutWaiting(boost::system::error_code& error, std::size_t& received);
    // Whether the socket has input, or has ended or failed.
    bool inputWaiting() const;
    // On the strand: handles what a read gave; false once the connection has ended, or reading pauses because too
    // much waits to be written.
    bool takeInput(const boost::system::error_code& error, std::size_t received);
    void handleFrame(const wire::Frame& frame);
    void handleHandshake(const wire::Handshake& handshake);
    void handleMessage(const wire::MessageFrame& message);
    // Marks the connection closed and detaches it; says whether it was open.
    bool markClosed();
    // On the strand: closes the socket and, when fail is true, tells the close handler.
    void shutDown(const std::string& reason, bool fail);

    Socket socket_;
    const boost::shared_ptr<DefaultExchange> exchange_;
    const HandshakeInfo local_;
    const OutputLimits limits_;
    HandshakeHandler onHandshake_;  // strand only
    CloseHandler onClose_;          // strand only

    // The socket's descriptor, for writes from other threads; it is closed only once closed_ is set and no such
    // write is under way.
    const int descriptor_;

    mutable std::mutex mutex_;  // guards the fields up to closed_
    std::string partnerName_;
    std::string outbox_;            // frames not yet handed to the socket, back to back
    std::size_t pendingBytes_ = 0;  // the outbox and the write under way
    bool writing_ = false;          // one thread writes; others only append to the outbox
    bool sendingDirectly_ = false;  // the writer is in a system call on the descriptor
    std::condition_variable directSendDone_;
    bool readingPaused_ = false;    // too much waits to be written: the partner's input is left unread
    std::atomic<bool> closed_{false};

    std::string writingFrames_;    // the writer's only
    std::size_t writingFrom_ = 0;  // the writer's only: how much of writingFrames_ has gone
    std::string partner_;        // strand only: the partner's name once handshaken
    FrameReader reader_;         // strand only
    platform::BriefWait inputLook_;  // strand only
    // Strand only: the frames being handled are made in this arena, its first block here.
    static constexpr std::size_t kFrameArenaBlock = 8 * 1024;
    alignas(std::max_align_t) std::array<char, kFrameArenaBlock> frameArenaBlock_{};
    google::protobuf::Arena frameArena_;
    std::array<char, 64 * 1024> readBuffer_{};
};

}  // namespace foundation::msg_svc::exchange

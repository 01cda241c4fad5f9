// Peer messages: any bytes either parse as a match message or are refused; a
// parsed message builds back to a message of the same length that parses to
// the same bytes again. The same bytes written raw into the receive log are
// drained without reading past what was written.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "proj/network/game_message.h"
#include "proj/network/p2p_buffers.h"

namespace {

void CheckParse(const std::uint8_t* data, std::size_t size) {
    Sample::GameMessage m;
    if (!Sample::ParseGameMessage(data, size, m)) {
        return;
    }
    std::uint8_t once[Sample::kMaxMatchMessage];
    const std::size_t n = Sample::BuildGameMessage(m, once, sizeof once);
    if (n == 0 || n != static_cast<std::size_t>(data[0] | (data[1] << 8))) {
        std::abort();
    }
    Sample::GameMessage again;
    if (!Sample::ParseGameMessage(once, n, again)) {
        std::abort();
    }
    std::uint8_t twice[Sample::kMaxMatchMessage];
    if (Sample::BuildGameMessage(again, twice, sizeof twice) != n ||
        std::memcmp(once, twice, n) != 0) {
        std::abort();
    }
}

void CheckReceiveLog(const std::uint8_t* data, std::size_t size) {
    Sample::P2PBufferBlock& b = Sample::GetP2PBuffers();
    if (!Sample::P2PBuffersExist()) {
        Sample::CreateP2PBuffers(4096);
    }
    Sample::P2PQueue& log = b.receiveLog;
    const std::size_t n = size < log.capacity ? size : log.capacity;
    std::memcpy(log.buffer.data(), data, n);
    log.used = static_cast<std::uint32_t>(n);
    log.readOffset = 0;
    const std::uint8_t* end = log.buffer.data() + n;
    Sample::DrainReceiveLog(
        [&](const Sample::PeerAddress&, const std::uint8_t* message, std::uint16_t length) {
            if (message + length > end) {
                std::abort();
            }
            CheckParse(message, length);
        });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckParse(data, size);
    CheckReceiveLog(data, size);
    return 0;
}

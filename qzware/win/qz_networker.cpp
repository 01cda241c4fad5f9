// Networker message rings and text-chat log.
#include "qzware/win/qz_networker.h"

#include <cstring>

namespace QZW::Win {

namespace {

void FillRing(qz_ring<NET::CQzNetMsgLog*>& ring, std::int32_t size) {
    ring.entries.clear();
    for (std::int32_t i = 0; i < size; ++i) {
        ring.entries.push_back(new NET::CQzNetMsgLog{});
    }
    ring.index = 0;
}

void FreeRing(qz_ring<NET::CQzNetMsgLog*>& ring) {
    for (NET::CQzNetMsgLog* e : ring.entries) {
        delete e;
    }
    ring.entries.clear();
}

void Fill(NET::CQzNetMsgLog& e, std::uint32_t sequence, std::uint32_t category,
          std::uint32_t length, std::uint64_t peer, std::uint32_t port) {
    e.count = sequence;
    e.msgId = category;
    e.msgSize = length;
    e.addr = peer;
    e.port = port;
    std::memset(e.text, 0, sizeof e.text);
}

}  // namespace

CQzNetworker::CQzNetworker() {
    FillRing(sending, msgLogSize);
    FillRing(receiving, msgLogSize);
}

CQzNetworker::~CQzNetworker() {
    FreeRing(sending);
    FreeRing(receiving);
}

NET::CQzNetMsgLog* CQzNetworker::GetSendingLog(std::uint32_t i) {
    return sending.back_from_newest(i);
}

NET::CQzNetMsgLog* CQzNetworker::GetReceivingLog(std::uint32_t i) {
    return receiving.back_from_newest(i);
}

void CQzNetworker::AddReceivingLog(const std::uint8_t* message, std::uint32_t length,
                                   std::uint64_t sender) {
    std::uint32_t category = 0;
    std::uint32_t own = 0;
    if (message != nullptr && length >= 4) {
        category = message[2];
        own = static_cast<std::uint32_t>(message[0] | (message[1] << 8));
    }
    Fill(*receiving.advance(), ++receivingCounter, category, own, sender, 0);
}

void CQzNetworker::AddSendingLog(std::uint32_t category, std::uint32_t length,
                                 std::uint64_t destination, std::uint64_t secondId) {
    Fill(*sending.advance(), ++sendingCounter, category, length, destination,
         static_cast<std::uint32_t>(secondId));
}

void CQzNetworker::AddTextChatLog(const char* name, const char* text, std::uint32_t chatLength) {
    if (name == nullptr || text == nullptr) {
        return;
    }
    using Entry = NET::CQzNetTextChatString;
    NET::CQzNetTextChatLog& log = textChat;
    for (std::int32_t i = NET::CQzNetTextChatLog::kEntries - 1; i > 0; --i) {
        log.entries[i] = log.entries[i - 1];
    }
    Entry& e = log.entries[0];
    e = Entry{};
    e.sequence = log.nextSequence;
    // Each field keeps room for its terminator, so a long name or a chat
    // length larger than the text never reads or writes past a field.
    // The line holds the whole name (up to 24 bytes), the name field 15.
    const std::size_t lineNameLen = strnlen(name, Entry::kLineField - Entry::kTextField - 2);
    const std::size_t nameLen =
        lineNameLen < Entry::kNameField - 1 ? lineNameLen : Entry::kNameField - 1;
    std::size_t textLen = chatLength < Entry::kTextField - 1 ? chatLength : Entry::kTextField - 1;
    textLen = strnlen(text, textLen);
    std::memcpy(e.name, name, nameLen);
    std::memcpy(e.text, text, textLen);
    std::memcpy(e.line, name, lineNameLen);
    e.line[lineNameLen] = ':';
    std::memcpy(e.line + lineNameLen + 1, text, textLen);
    if (log.count < NET::CQzNetTextChatLog::kEntries) {
        log.count += 1;
    }
    log.nextSequence += 1;
}

NET::CQzNetTextChatString* CQzNetworker::GetTextChatEntry(std::int32_t i) {
    if (i < 0 || i >= NET::CQzNetTextChatLog::kEntries) {
        return nullptr;
    }
    return &textChat.entries[i];
}

CQzNetworker& GetNetworker() {
    static CQzNetworker networker;
    return networker;
}

}  // namespace QZW::Win

#include "platform/online/online_directory.h"

#include <arpa/inet.h>
#include <hiredis/hiredis.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "platform/online/online_directory_library.h"
#include "platform/online/online_udp.h"

namespace platform::online {

namespace {

struct Reply {
    redisReply* r;
    explicit Reply(redisReply* reply) : r(reply) {}
    ~Reply() {
        if (r) {
            freeReplyObject(r);
        }
    }
    Reply(const Reply&) = delete;
    Reply& operator=(const Reply&) = delete;
    bool ok() const { return r && r->type != REDIS_REPLY_ERROR; }
};

// A decimal number and nothing else; nullopt otherwise.
std::optional<std::uint64_t> parse_u64(const char* text, std::size_t length) {
    if (text == nullptr || length == 0 || length > 20) {
        return std::nullopt;
    }
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        const std::uint64_t digit = std::uint64_t(text[i] - '0');
        if (v > (UINT64_MAX - digit) / 10) {
            return std::nullopt;
        }
        v = v * 10 + digit;
    }
    return v;
}

std::optional<std::uint64_t> number_of(const redisReply* e) {
    return e && e->type == REDIS_REPLY_STRING ? parse_u64(e->str, e->len) : std::nullopt;
}

std::string text_of(const redisReply* e) {
    return e && e->type == REDIS_REPLY_STRING ? std::string(e->str, e->len) : std::string();
}

bool is_error(const redisReply* r) {
    return r && r->type == REDIS_REPLY_ERROR;
}

std::string error_of(const redisReply* r) {
    return is_error(r) ? std::string(r->str, r->len) : std::string();
}

// A library function's result: the first of its {result, repairs}, or the
// error it answered; null when the reply is neither.
const redisReply* result_of(const Reply& reply) {
    const redisReply* r = reply.r;
    if (is_error(r)) {
        return r;
    }
    return r && r->type == REDIS_REPLY_ARRAY && r->elements == 2 ? r->element[0] : nullptr;
}

// An answer refusing the command or a key for the login's rights (ACL), from
// the server itself or from inside a function.
bool refused_for_rights(const redisReply* r) {
    return is_error(r) && (std::strncmp(r->str, "NOPERM", 6) == 0 ||
                           std::strstr(r->str, "The user executing the script") != nullptr);
}

long long integer_of(const redisReply* r, long long fallback) {
    return r && r->type == REDIS_REPLY_INTEGER ? r->integer : fallback;
}

}  // namespace

std::optional<std::uint32_t> account_of_user(const std::string& user) {
    const std::string prefix = kPlayerUserPrefix;
    if (user.compare(0, prefix.size(), prefix) != 0 || user.size() == prefix.size() ||
        user[prefix.size()] == '0') {
        return std::nullopt;
    }
    const auto number = parse_u64(user.data() + prefix.size(), user.size() - prefix.size());
    if (!number || *number == 0 || *number > 0xffffffffull) {
        return std::nullopt;
    }
    return std::uint32_t(*number);
}

bool parse_snapshot(const redisReply* r, LobbySnapshot* out) {
    if (r == nullptr || r->type != REDIS_REPLY_ARRAY || r->elements != 6 ||
        r->element[4]->type != REDIS_REPLY_ARRAY || r->element[5]->type != REDIS_REPLY_ARRAY) {
        return false;
    }
    const auto number = number_of(r->element[0]);
    const auto owner = number_of(r->element[1]);
    const auto max = number_of(r->element[2]);
    const auto version = number_of(r->element[3]);
    if (!number || *number == 0 || *number > 0xffffffffull || !owner || !max || *max == 0 ||
        *max > 250 || !version) {
        return false;
    }
    LobbySnapshot s;
    s.number = std::uint32_t(*number);
    s.owner = *owner;
    s.max = int(*max);
    s.version = *version;
    const redisReply* members = r->element[4];
    for (std::size_t i = 0; i < members->elements && s.members.size() < *max; ++i) {
        // A member entry that is not an id names nobody; it is skipped.
        if (const auto id = number_of(members->element[i]); id && *id != 0) {
            s.members.push_back(*id);
        }
    }
    const redisReply* data = r->element[5];
    for (std::size_t i = 0; i + 1 < data->elements; i += 2) {
        s.data[text_of(data->element[i])] = text_of(data->element[i + 1]);
    }
    *out = std::move(s);
    return true;
}

// [SECTION] Connection

Directory::Directory(std::string host, std::uint16_t port, std::string prefix,
                     std::uint32_t timeout_ms)
    : host_(std::move(host)), port_(port), prefix_(std::move(prefix)), timeout_ms_(timeout_ms) {}

void Directory::set_login(std::string user, std::string password) {
    user_ = std::move(user);
    password_ = std::move(password);
}

Directory::~Directory() {
    if (context_) {
        redisFree(context_);
    }
}

bool Directory::connect(std::string* error) {
    if (context_) {
        redisFree(context_);
        context_ = nullptr;
    }
    failure_ = Failure::network;
    const timeval timeout{time_t(timeout_ms_ / 1000), suseconds_t((timeout_ms_ % 1000) * 1000)};
    context_ = redisConnectWithTimeout(host_.c_str(), port_, timeout);
    if (context_ == nullptr || context_->err) {
        *error = context_ ? context_->errstr : "out of memory";
        if (context_) {
            redisFree(context_);
            context_ = nullptr;
        }
        return false;
    }
    redisSetTimeout(context_, timeout);
    auto give_up = [&](Failure why, const Reply& reply, const char* fallback) {
        failure_ = reply.r != nullptr ? why : Failure::network;
        *error = reply.r ? std::string(reply.r->str, reply.r->len)
                         : std::string(context_->err ? context_->errstr : fallback);
        redisFree(context_);
        context_ = nullptr;
        return false;
    };
    if (!password_.empty()) {
        Reply auth(static_cast<redisReply*>(
            user_.empty() ? redisCommand(context_, "AUTH %b", password_.data(), password_.size())
                          : redisCommand(context_, "AUTH %b %b", user_.data(), user_.size(),
                                         password_.data(), password_.size())));
        if (!auth.ok()) {
            return give_up(Failure::login, auth, "no answer to AUTH");
        }
    }
    Reply pong(static_cast<redisReply*>(redisCommand(context_, "PING")));
    if (!pong.ok()) {
        // NOAUTH: the server wants a password and none was given.
        return give_up(Failure::login, pong, "no answer to PING");
    }
    if (!check_library(error)) {
        if (context_) {
            redisFree(context_);
            context_ = nullptr;
        }
        return false;
    }
    failure_ = Failure::none;
    return true;
}

bool Directory::check_library(std::string* error) {
    Reply version(static_cast<redisReply*>(redisCommand(context_, "FCALL_RO vk_version 0")));
    if (version.r == nullptr) {
        failure_ = Failure::network;
        *error = context_->err ? context_->errstr : "no answer to FCALL_RO";
        return false;
    }
    const long long have = integer_of(version.r, -1);
    if (have == library::kVersion) {
        return true;
    }
    const bool missing = is_error(version.r) && std::strstr(version.r->str, "not found");
    failure_ = Failure::library;
    const std::string ours = std::to_string(library::kVersion);
    if (!missing && have < 0) {
        *error =
            "its function library cannot be asked for its version (" + error_of(version.r) + ")";
        return false;
    }
    if (have > library::kVersion) {
        *error = "its function library is version " + std::to_string(have) +
                 ", newer than this program's " + ours + "; update the program";
        return false;
    }
    // Missing or older: loaded here when this login may (the default user).
    Reply load(static_cast<redisReply*>(redisCommand(context_, "FUNCTION LOAD REPLACE %b",
                                                     library::kText, std::strlen(library::kText))));
    if (load.ok()) {
        return true;
    }
    if (load.r == nullptr) {
        failure_ = Failure::network;
        *error = context_->err ? context_->errstr : "no answer to FUNCTION LOAD";
        return false;
    }
    *error = (missing ? std::string("it has no function library")
                      : "its function library is version " + std::to_string(have) +
                            ", older than this program's " + ours) +
             " and this login may not load it (" + error_of(load.r) +
             "); prepare the directory with tools/directory_setup";
    return false;
}

std::vector<std::string> Directory::take_repairs() {
    std::vector<std::string> out;
    out.swap(repairs_);
    return out;
}

std::optional<Endpoint> Directory::local_address() const {
    if (context_ == nullptr || context_->fd < 0) {
        return std::nullopt;
    }
    sockaddr_in sa{};
    socklen_t length = sizeof sa;
    if (::getsockname(context_->fd, reinterpret_cast<sockaddr*>(&sa), &length) != 0 ||
        sa.sin_family != AF_INET) {
        return std::nullopt;
    }
    return Endpoint{ntohl(sa.sin_addr.s_addr), 0};
}

bool Directory::healthy() const {
    return context_ != nullptr && context_->err == 0;
}

std::string Directory::connection_error() const {
    if (context_ == nullptr) {
        return "not connected";
    }
    return context_->err ? std::string(context_->errstr) : std::string();
}

redisReply* Directory::command(const char* format, ...) {
    if (!healthy()) {
        return nullptr;
    }
    va_list args;
    va_start(args, format);
    void* reply = redisvCommand(context_, format, args);
    va_end(args);
    return static_cast<redisReply*>(reply);
}

redisReply* Directory::call(const char* function, const std::vector<std::string>& args) {
    if (!healthy()) {
        return nullptr;
    }
    std::vector<const char*> argv{"FCALL", function, "0", prefix_.c_str()};
    std::vector<std::size_t> lengths{5, std::strlen(function), 1, prefix_.size()};
    for (const std::string& a : args) {
        argv.push_back(a.data());
        lengths.push_back(a.size());
    }
    auto* reply = static_cast<redisReply*>(
        redisCommandArgv(context_, int(argv.size()), argv.data(), lengths.data()));
    if (reply && reply->type == REDIS_REPLY_ARRAY && reply->elements == 2 &&
        reply->element[1]->type == REDIS_REPLY_ARRAY) {
        const redisReply* repairs = reply->element[1];
        for (std::size_t i = 0; i < repairs->elements; ++i) {
            repairs_.push_back(text_of(repairs->element[i]));
        }
    }
    return reply;
}

// [SECTION] Presence

Directory::PresenceResult Directory::register_presence(std::uint64_t id, const Endpoint& endpoint,
                                                       std::uint32_t epoch, const PresenceKey& key,
                                                       const std::string& name,
                                                       std::uint32_t ttl_ms,
                                                       std::uint32_t* taken_ms, std::string* why) {
    Reply reply(
        call("vk_register", {std::to_string(id), endpoint_text(endpoint), std::to_string(epoch),
                             name, key_text(key), std::to_string(ttl_ms)}));
    const redisReply* r = result_of(reply);
    if (refused_for_rights(r)) {
        if (why) {
            *why = error_of(r);
        }
        return PresenceResult::forbidden;
    }
    const long long result = integer_of(r, 0);
    if (result < 0) {
        if (taken_ms) {
            *taken_ms = std::uint32_t(std::min<long long>(-result, 0xffffffffll));
        }
        return PresenceResult::taken;
    }
    return result == 1 ? PresenceResult::registered : PresenceResult::failed;
}

void Directory::remove_presence(std::uint64_t id, std::uint32_t epoch, const PresenceKey& key) {
    Reply reply(
        call("vk_remove_presence", {std::to_string(id), std::to_string(epoch), key_text(key)}));
}

std::optional<Registration> Directory::lookup(std::uint64_t id) {
    return lookup_many({id}).front().registration;
}

std::vector<LookupAnswer> Directory::lookup_many(const std::vector<std::uint64_t>& ids) {
    std::vector<LookupAnswer> out(ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i) {
        out[i].id = ids[i];
    }
    if (!healthy() || ids.empty()) {
        return out;
    }
    // Pipelined: every HMGET is written first, then the answers are read.
    for (std::uint64_t id : ids) {
        const std::string key = prefix_ + "member:" + std::to_string(id);
        redisAppendCommand(context_, "HMGET %s endpoint epoch key", key.c_str());
    }
    for (LookupAnswer& answer : out) {
        void* raw = nullptr;
        if (redisGetReply(context_, &raw) != REDIS_OK) {
            break;
        }
        Reply reply(static_cast<redisReply*>(raw));
        if (!reply.ok() || reply.r->type != REDIS_REPLY_ARRAY || reply.r->elements != 3) {
            // A member key of another type answers an error: a malformed record.
            answer.answered = reply.r != nullptr;
            answer.malformed = answer.answered;
            continue;
        }
        answer.answered = true;
        const redisReply* endpoint = reply.r->element[0];
        const redisReply* epoch = reply.r->element[1];
        const redisReply* code_key = reply.r->element[2];
        if (endpoint->type == REDIS_REPLY_NIL && epoch->type == REDIS_REPLY_NIL &&
            code_key->type == REDIS_REPLY_NIL) {
            continue;  // no presence
        }
        const auto where = parse_endpoint_text(text_of(endpoint));
        const auto session = number_of(epoch);
        const auto parsed_key = parse_key_text(text_of(code_key));
        if (!where || !session || *session == 0 || *session > 0xffffffffull || !parsed_key) {
            answer.malformed = true;
            continue;
        }
        answer.registration = Registration{*where, std::uint32_t(*session), *parsed_key};
    }
    return out;
}

// [SECTION] Lobbies

std::uint32_t Directory::create_lobby(std::uint64_t owner, int max_members) {
    Reply reply(call("vk_create", {std::to_string(owner), std::to_string(max_members)}));
    const long long n = integer_of(result_of(reply), 0);
    return n > 0 && n <= 0xffffffffll ? std::uint32_t(n) : 0;
}

int Directory::join_lobby(std::uint32_t lobby, std::uint64_t member, bool* malformed) {
    Reply reply(call("vk_join", {std::to_string(lobby), std::to_string(member)}));
    const long long response = integer_of(result_of(reply), 5);
    if (malformed) {
        *malformed = response == 6;
    }
    return response == 1 || response == 2 || response == 4 ? int(response) : 5;
}

void Directory::leave_lobby(std::uint32_t lobby, std::uint64_t member) {
    Reply reply(call("vk_leave", {std::to_string(lobby), std::to_string(member)}));
}

std::optional<std::vector<LobbySnapshot>> Directory::list_lobbies(
    const std::vector<LobbyFilter>& filters, std::vector<std::string>* malformed) {
    std::vector<std::string> args{std::to_string(kListExamined), std::to_string(kListAnswered)};
    for (const LobbyFilter& f : filters) {
        args.insert(args.end(), {f.key, f.value, f.equal ? "eq" : "ne"});
    }
    Reply reply(call("vk_list", args));
    const redisReply* r = result_of(reply);
    if (r == nullptr || r->type != REDIS_REPLY_ARRAY || r->elements != 2 ||
        r->element[0]->type != REDIS_REPLY_ARRAY || r->element[1]->type != REDIS_REPLY_ARRAY) {
        return std::nullopt;
    }
    std::vector<LobbySnapshot> out;
    const redisReply* found = r->element[0];
    for (std::size_t i = 0; i < found->elements; ++i) {
        LobbySnapshot s;
        if (parse_snapshot(found->element[i], &s)) {
            out.push_back(std::move(s));
        } else if (malformed) {
            malformed->push_back("lobby entry " + std::to_string(i) + " of a list");
        }
    }
    const redisReply* bad = r->element[1];
    for (std::size_t i = 0; malformed && i < bad->elements; ++i) {
        malformed->push_back("lobby " + text_of(bad->element[i]));
    }
    std::sort(out.begin(), out.end(),
              [](const LobbySnapshot& a, const LobbySnapshot& b) { return a.number < b.number; });
    return out;
}

bool Directory::set_lobby_data(std::uint32_t lobby, std::uint64_t member, const std::string& key,
                               const std::string& value) {
    Reply reply(call("vk_set_data", {std::to_string(lobby), std::to_string(member), key, value}));
    return integer_of(result_of(reply), 0) == 1;
}

ReadOutcome Directory::read_lobby(std::uint32_t lobby, std::uint64_t known_version,
                                  LobbySnapshot* out) {
    Reply reply(call("vk_read", {std::to_string(lobby), std::to_string(known_version)}));
    const redisReply* r = result_of(reply);
    if (r == nullptr || is_error(r)) {
        return healthy() ? ReadOutcome::malformed : ReadOutcome::unreachable;
    }
    if (r->type == REDIS_REPLY_INTEGER) {
        return r->integer == 0    ? ReadOutcome::unchanged
               : r->integer == -1 ? ReadOutcome::gone
                                  : ReadOutcome::malformed;
    }
    return parse_snapshot(r, out) && out->number == lobby ? ReadOutcome::changed
                                                          : ReadOutcome::malformed;
}

bool Directory::restore_lobby(const LobbySnapshot& room, std::uint32_t grace_ms) {
    std::vector<std::string> args{std::to_string(room.number), std::to_string(room.owner),
                                  std::to_string(room.max),    std::to_string(room.version + 1),
                                  std::to_string(grace_ms),    std::to_string(room.members.size())};
    for (std::uint64_t m : room.members) {
        args.push_back(std::to_string(m));
    }
    for (const auto& [key, value] : room.data) {
        args.insert(args.end(), {key, value});
    }
    Reply reply(call("vk_restore", args));
    return integer_of(result_of(reply), 0) == 1;
}

}  // namespace platform::online

#include "platform/online/online_directory.h"

#include <arpa/inet.h>
#include <hiredis/hiredis.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "platform/clock/clock.h"
#include "platform/online/online_udp.h"

namespace platform::online {

// [SECTION] Lua scripts (ARGV[1] is the key prefix)

namespace {

// Shared by every script: removing a member (migrating the owner, dropping
// an empty lobby) and pruning members whose presence key has expired.
constexpr const char* kLuaCommon = R"lua(
local p = ARGV[1]
local function remove(n, m)
  local l = p .. 'lobby:' .. n
  redis.call('LREM', l .. ':members', 0, m)
  if redis.call('LLEN', l .. ':members') == 0 then
    redis.call('DEL', l, l .. ':members', l .. ':data', l .. ':version')
    redis.call('SREM', p .. 'lobbies', n)
    return 0
  end
  if redis.call('HGET', l, 'owner') == m then
    redis.call('HSET', l, 'owner', redis.call('LINDEX', l .. ':members', 0))
  end
  redis.call('INCR', l .. ':version')
  return 1
end
local function prune(n)
  local l = p .. 'lobby:' .. n
  if redis.call('EXISTS', l) == 0 then
    redis.call('SREM', p .. 'lobbies', n)
    return 0
  end
  for _, m in ipairs(redis.call('LRANGE', l .. ':members', 0, -1)) do
    if redis.call('EXISTS', p .. 'member:' .. m) == 0 then
      if remove(n, m) == 0 then return 0 end
    end
  end
  return 1
end
local function is_member(n, m)
  for _, x in ipairs(redis.call('LRANGE', p .. 'lobby:' .. n .. ':members', 0, -1)) do
    if x == m then return true end
  end
  return false
end
-- The owner, always a member: a field naming anyone else (written by
-- something other than these scripts) goes back to the first member.
local function checked_owner(n)
  local l = p .. 'lobby:' .. n
  local o = redis.call('HGET', l, 'owner')
  if o and is_member(n, o) then return o end
  local first = redis.call('LINDEX', l .. ':members', 0)
  if not first then return false end
  redis.call('HSET', l, 'owner', first)
  redis.call('INCR', l .. ':version')
  return first
end
)lua";

// ARGV: prefix, owner, max members -> lobby number
constexpr const char* kLuaCreate = R"lua(
local n = redis.call('INCR', p .. 'lobby:next')
local l = p .. 'lobby:' .. n
redis.call('HSET', l, 'owner', ARGV[2], 'max', ARGV[3])
redis.call('RPUSH', l .. ':members', ARGV[2])
redis.call('SET', l .. ':version', 1)
redis.call('SADD', p .. 'lobbies', n)
return n
)lua";

// ARGV: prefix, lobby, member -> enter response
constexpr const char* kLuaJoin = R"lua(
local n, m = ARGV[2], ARGV[3]
if prune(n) == 0 then return 2 end
if is_member(n, m) then return 1 end
local l = p .. 'lobby:' .. n
if redis.call('LLEN', l .. ':members') >= tonumber(redis.call('HGET', l, 'max')) then
  return 4
end
redis.call('RPUSH', l .. ':members', m)
redis.call('INCR', l .. ':version')
return 1
)lua";

// ARGV: prefix, lobby, member
constexpr const char* kLuaLeave = R"lua(
local n, m = ARGV[2], ARGV[3]
if redis.call('EXISTS', p .. 'lobby:' .. n) == 0 or not is_member(n, m) then return 0 end
return remove(n, m)
)lua";

// ARGV: prefix -> lobby numbers with room
constexpr const char* kLuaList = R"lua(
local out = {}
for _, n in ipairs(redis.call('SMEMBERS', p .. 'lobbies')) do
  if prune(n) == 1 then
    local l = p .. 'lobby:' .. n
    if redis.call('LLEN', l .. ':members') < tonumber(redis.call('HGET', l, 'max')) then
      table.insert(out, n)
    end
  end
end
return out
)lua";

// ARGV: prefix, lobby, member, key, value -> 1 when set (owner only)
constexpr const char* kLuaSetData = R"lua(
local l = p .. 'lobby:' .. ARGV[2]
if redis.call('EXISTS', l) == 0 or checked_owner(ARGV[2]) ~= ARGV[3] then return 0 end
redis.call('HSET', l .. ':data', ARGV[4], ARGV[5])
redis.call('INCR', l .. ':version')
return 1
)lua";

// ARGV: prefix, lobby -> version, or -1 when the lobby is gone
constexpr const char* kLuaPoll = R"lua(
if prune(ARGV[2]) == 0 then return -1 end
checked_owner(ARGV[2])
return tonumber(redis.call('GET', p .. 'lobby:' .. ARGV[2] .. ':version') or '0')
)lua";

// ARGV: prefix, lobby -> owner id, or '' when the lobby is gone
constexpr const char* kLuaOwner = R"lua(
if redis.call('EXISTS', p .. 'lobby:' .. ARGV[2]) == 0 then return '' end
return checked_owner(ARGV[2]) or ''
)lua";

// Presence scripts stand alone. ARGV: prefix, id, endpoint, epoch, name, key,
// expiry ms -> 1 when registered, else minus the ms that another session's
// live presence of the account still lasts.
constexpr const char* kLuaRegister = R"lua(
local k = ARGV[1] .. 'member:' .. ARGV[2]
local held = redis.call('HMGET', k, 'epoch', 'key')
if held[1] and (held[1] ~= ARGV[4] or held[2] ~= ARGV[6]) then
  local left = redis.call('PTTL', k)
  if left < 1 then left = 1 end
  return -left
end
redis.call('HSET', k, 'endpoint', ARGV[3], 'epoch', ARGV[4], 'name', ARGV[5], 'key', ARGV[6])
redis.call('PEXPIRE', k, ARGV[7])
return 1
)lua";

// ARGV: prefix, id, epoch, key -> 1 when this session's presence was removed
constexpr const char* kLuaRemovePresence = R"lua(
local k = ARGV[1] .. 'member:' .. ARGV[2]
local held = redis.call('HMGET', k, 'epoch', 'key')
if held[1] ~= ARGV[3] or held[2] ~= ARGV[4] then return 0 end
return redis.call('DEL', k)
)lua";

// A dead server costs at most one connect timeout per this many ms.
constexpr std::uint32_t kRetryMs = 5000;

std::string script(const char* body) {
    return std::string(kLuaCommon) + body;
}

struct Reply {
    redisReply* r;
    explicit Reply(redisReply* reply) : r(reply) {}
    ~Reply() {
        if (r) {
            freeReplyObject(r);
        }
    }
    bool ok() const { return r && r->type != REDIS_REPLY_ERROR; }
    long long integer(long long fallback) const {
        return r && r->type == REDIS_REPLY_INTEGER ? r->integer : fallback;
    }
};

std::uint64_t parse_u64(const char* text, std::size_t length) {
    const std::string s(text, length);
    char* end = nullptr;
    const unsigned long long v = std::strtoull(s.c_str(), &end, 10);
    return (end && *end == '\0') ? std::uint64_t(v) : 0;
}

}  // namespace

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
    login_refused_ = false;
    if (!password_.empty()) {
        Reply auth(static_cast<redisReply*>(
            user_.empty() ? redisCommand(context_, "AUTH %b", password_.data(), password_.size())
                          : redisCommand(context_, "AUTH %b %b", user_.data(), user_.size(),
                                         password_.data(), password_.size())));
        if (!auth.ok()) {
            login_refused_ = auth.r != nullptr;
            *error = auth.r ? std::string(auth.r->str, auth.r->len) : std::string(context_->errstr);
            redisFree(context_);
            context_ = nullptr;
            return false;
        }
    }
    Reply pong(static_cast<redisReply*>(redisCommand(context_, "PING")));
    if (!pong.ok()) {
        // NOAUTH: the server wants a password and none was given.
        login_refused_ = pong.r != nullptr;
        *error = pong.r ? std::string(pong.r->str, pong.r->len)
                        : std::string(context_->err ? context_->errstr : "no answer to PING");
        redisFree(context_);
        context_ = nullptr;
        return false;
    }
    error_logged_ = false;
    return true;
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

bool Directory::usable() {
    if (context_ && !context_->err) {
        return true;
    }
    const std::uint32_t now = platform::clock::now_ms();
    if (now - last_retry_ms_ < kRetryMs) {
        return false;
    }
    last_retry_ms_ = now;
    std::string error;
    if (connect(&error)) {
        return true;
    }
    if (!error_logged_) {
        error_logged_ = true;
        std::printf("online: lobby directory %s:%u %s: %s\n", host_.c_str(), unsigned(port_),
                    login_refused_ ? "refused the login" : "unreachable", error.c_str());
    }
    return false;
}

redisReply* Directory::command(const char* format, ...) {
    if (!usable()) {
        return nullptr;
    }
    va_list args;
    va_start(args, format);
    void* reply = redisvCommand(context_, format, args);
    va_end(args);
    return static_cast<redisReply*>(reply);
}

// [SECTION] Presence

Directory::PresenceResult Directory::register_presence(std::uint64_t id, const Endpoint& endpoint,
                                                       std::uint32_t epoch, const PresenceKey& key,
                                                       const std::string& name,
                                                       std::uint32_t ttl_ms,
                                                       std::uint32_t* taken_ms) {
    Reply reply(command("EVAL %s 0 %s %s %s %u %b %s %u", kLuaRegister, prefix_.c_str(),
                        std::to_string(id).c_str(), endpoint_text(endpoint).c_str(),
                        unsigned(epoch), name.data(), name.size(), key_text(key).c_str(),
                        unsigned(ttl_ms)));
    const long long result = reply.integer(0);
    if (result < 0) {
        if (taken_ms) {
            *taken_ms = std::uint32_t(std::min<long long>(-result, 0xffffffffll));
        }
        return PresenceResult::taken;
    }
    return result == 1 ? PresenceResult::registered : PresenceResult::failed;
}

void Directory::remove_presence(std::uint64_t id, std::uint32_t epoch, const PresenceKey& key) {
    Reply reply(command("EVAL %s 0 %s %s %u %s", kLuaRemovePresence, prefix_.c_str(),
                        std::to_string(id).c_str(), unsigned(epoch), key_text(key).c_str()));
}

std::optional<Registration> Directory::lookup(std::uint64_t id) {
    const std::string key = prefix_ + "member:" + std::to_string(id);
    Reply reply(command("HMGET %s endpoint epoch key", key.c_str()));
    if (!reply.ok() || reply.r->type != REDIS_REPLY_ARRAY || reply.r->elements != 3 ||
        reply.r->element[0]->type != REDIS_REPLY_STRING ||
        reply.r->element[1]->type != REDIS_REPLY_STRING ||
        reply.r->element[2]->type != REDIS_REPLY_STRING) {
        return std::nullopt;
    }
    const auto endpoint = parse_endpoint_text(reply.r->element[0]->str);
    const std::uint64_t epoch = parse_u64(reply.r->element[1]->str, reply.r->element[1]->len);
    const auto code_key =
        parse_key_text(std::string(reply.r->element[2]->str, reply.r->element[2]->len));
    if (!endpoint || epoch == 0 || epoch > 0xffffffffull || !code_key) {
        return std::nullopt;
    }
    return Registration{*endpoint, std::uint32_t(epoch), *code_key};
}

// [SECTION] Lobbies

std::uint32_t Directory::create_lobby(std::uint64_t owner, int max_members) {
    const std::string body = script(kLuaCreate);
    Reply reply(command("EVAL %s 0 %s %s %d", body.c_str(), prefix_.c_str(),
                        std::to_string(owner).c_str(), max_members));
    const long long n = reply.integer(0);
    return n > 0 && n <= 0xffffffffll ? std::uint32_t(n) : 0;
}

int Directory::join_lobby(std::uint32_t lobby, std::uint64_t member) {
    const std::string body = script(kLuaJoin);
    Reply reply(command("EVAL %s 0 %s %u %s", body.c_str(), prefix_.c_str(), unsigned(lobby),
                        std::to_string(member).c_str()));
    const long long response = reply.integer(5);
    return response == 1 || response == 2 || response == 4 ? int(response) : 5;
}

void Directory::leave_lobby(std::uint32_t lobby, std::uint64_t member) {
    const std::string body = script(kLuaLeave);
    Reply reply(command("EVAL %s 0 %s %u %s", body.c_str(), prefix_.c_str(), unsigned(lobby),
                        std::to_string(member).c_str()));
}

std::optional<std::vector<std::uint32_t>> Directory::list_lobbies() {
    const std::string body = script(kLuaList);
    Reply reply(command("EVAL %s 0 %s", body.c_str(), prefix_.c_str()));
    if (!reply.ok() || reply.r->type != REDIS_REPLY_ARRAY) {
        return std::nullopt;
    }
    std::vector<std::uint32_t> out;
    for (std::size_t i = 0; i < reply.r->elements; ++i) {
        const redisReply* e = reply.r->element[i];
        const std::uint64_t n = e->type == REDIS_REPLY_STRING ? parse_u64(e->str, e->len) : 0;
        if (n > 0 && n <= 0xffffffffull) {
            out.push_back(std::uint32_t(n));
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::map<std::string, std::string> Directory::lobby_data(std::uint32_t lobby) {
    const std::string key = prefix_ + "lobby:" + std::to_string(lobby) + ":data";
    Reply reply(command("HGETALL %s", key.c_str()));
    std::map<std::string, std::string> out;
    if (reply.ok() && reply.r->type == REDIS_REPLY_ARRAY) {
        for (std::size_t i = 0; i + 1 < reply.r->elements; i += 2) {
            const redisReply* k = reply.r->element[i];
            const redisReply* v = reply.r->element[i + 1];
            if (k->type == REDIS_REPLY_STRING && v->type == REDIS_REPLY_STRING) {
                out[std::string(k->str, k->len)] = std::string(v->str, v->len);
            }
        }
    }
    return out;
}

std::string Directory::lobby_value(std::uint32_t lobby, const std::string& key) {
    const std::string hash = prefix_ + "lobby:" + std::to_string(lobby) + ":data";
    Reply reply(command("HGET %s %b", hash.c_str(), key.data(), key.size()));
    return reply.ok() && reply.r->type == REDIS_REPLY_STRING
               ? std::string(reply.r->str, reply.r->len)
               : std::string();
}

bool Directory::set_lobby_data(std::uint32_t lobby, std::uint64_t member, const std::string& key,
                               const std::string& value) {
    const std::string body = script(kLuaSetData);
    Reply reply(command("EVAL %s 0 %s %u %s %b %b", body.c_str(), prefix_.c_str(), unsigned(lobby),
                        std::to_string(member).c_str(), key.data(), key.size(), value.data(),
                        value.size()));
    return reply.integer(0) == 1;
}

std::vector<std::uint64_t> Directory::members(std::uint32_t lobby) {
    const std::string key = prefix_ + "lobby:" + std::to_string(lobby) + ":members";
    Reply reply(command("LRANGE %s 0 -1", key.c_str()));
    std::vector<std::uint64_t> out;
    if (reply.ok() && reply.r->type == REDIS_REPLY_ARRAY) {
        for (std::size_t i = 0; i < reply.r->elements; ++i) {
            const redisReply* e = reply.r->element[i];
            if (e->type == REDIS_REPLY_STRING) {
                out.push_back(parse_u64(e->str, e->len));
            }
        }
    }
    return out;
}

std::uint64_t Directory::owner(std::uint32_t lobby) {
    const std::string body = script(kLuaOwner);
    Reply reply(command("EVAL %s 0 %s %u", body.c_str(), prefix_.c_str(), unsigned(lobby)));
    return reply.ok() && reply.r->type == REDIS_REPLY_STRING ? parse_u64(reply.r->str, reply.r->len)
                                                             : 0;
}

std::optional<std::uint64_t> Directory::poll(std::uint32_t lobby, bool* gone) {
    const std::string body = script(kLuaPoll);
    Reply reply(command("EVAL %s 0 %s %u", body.c_str(), prefix_.c_str(), unsigned(lobby)));
    *gone = false;
    if (!reply.ok() || reply.r->type != REDIS_REPLY_INTEGER) {
        return std::nullopt;
    }
    if (reply.r->integer < 0) {
        *gone = true;
        return std::nullopt;
    }
    return std::uint64_t(reply.r->integer);
}

}  // namespace platform::online

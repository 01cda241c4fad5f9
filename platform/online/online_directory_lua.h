// The lobby directory's Lua scripts (run with EVAL; ARGV[1] is the key
// prefix). Every script checks the records it touches and skips, never fails
// on, one that is malformed (wrong type, a missing or non-numeric field); the
// work per call is bounded: a member list is read up to the lobby's maximum
// (250 at most) and trimmed to it, a list request examines at most a fixed
// number of lobbies.
#pragma once

namespace platform::online::lua {

// Shared by every script. record(n) is a lobby's maximum, false when the
// lobby is gone, nil when its record is malformed; remove() takes a member
// out (migrating the owner, dropping an empty lobby); prune() drops members
// whose presence key has expired (not while the lobby's grace key lives:
// it was just re-created after a directory restart and its members are
// still registering again).
inline constexpr const char* kCommon = R"lua(
local p = ARGV[1]
local function lk(n) return p .. 'lobby:' .. n end
local function kind(k) return redis.call('TYPE', k).ok end
local function record(n)
  local l = lk(n)
  local t = kind(l)
  if t == 'none' then return false end
  if t ~= 'hash' then return nil end
  local m, d, v = kind(l .. ':members'), kind(l .. ':data'), kind(l .. ':version')
  if (m ~= 'list' and m ~= 'none') or (d ~= 'hash' and d ~= 'none') or
     (v ~= 'string' and v ~= 'none') then return nil end
  local max = tonumber(redis.call('HGET', l, 'max'))
  local owner = tonumber(redis.call('HGET', l, 'owner'))
  if not max or not owner or max ~= math.floor(max) or max < 1 or max > 250 then return nil end
  if v == 'string' and not tonumber(redis.call('GET', l .. ':version')) then return nil end
  if d == 'hash' and redis.call('HLEN', l .. ':data') > 256 then return nil end
  return max
end
local function drop(n)
  local l = lk(n)
  redis.call('DEL', l, l .. ':members', l .. ':data', l .. ':version', l .. ':grace')
  redis.call('SREM', p .. 'lobbies', n)
end
local function remove(n, m)
  local l = lk(n)
  redis.call('LREM', l .. ':members', 0, m)
  if redis.call('LLEN', l .. ':members') == 0 then
    drop(n)
    return 0
  end
  if redis.call('HGET', l, 'owner') == m then
    redis.call('HSET', l, 'owner', redis.call('LINDEX', l .. ':members', 0))
  end
  redis.call('INCR', l .. ':version')
  return 1
end
local function prune(n)
  local max = record(n)
  if max == false then
    redis.call('SREM', p .. 'lobbies', n)
    return 0
  end
  if max == nil then return nil end
  local l = lk(n)
  local length = redis.call('LLEN', l .. ':members')
  if length == 0 then
    drop(n)
    return 0
  end
  if length > max then
    redis.call('LTRIM', l .. ':members', 0, max - 1)
    redis.call('INCR', l .. ':version')
  end
  if redis.call('EXISTS', l .. ':grace') == 1 then return max end
  for _, m in ipairs(redis.call('LRANGE', l .. ':members', 0, max - 1)) do
    if redis.call('EXISTS', p .. 'member:' .. m) == 0 then
      if remove(n, m) == 0 then return 0 end
    end
  end
  return max
end
local function is_member(n, m, max)
  for _, x in ipairs(redis.call('LRANGE', lk(n) .. ':members', 0, max - 1)) do
    if x == m then return true end
  end
  return false
end
-- The owner, always a member: a field naming anyone else (written by
-- something other than these scripts) goes back to the first member.
local function checked_owner(n, max)
  local l = lk(n)
  local o = redis.call('HGET', l, 'owner')
  if o and is_member(n, o, max) then return o end
  local first = redis.call('LINDEX', l .. ':members', 0)
  if not first then return false end
  redis.call('HSET', l, 'owner', first)
  redis.call('INCR', l .. ':version')
  return first
end
local function snapshot(n, max)
  local l = lk(n)
  local owner = checked_owner(n, max)
  return {tostring(n), owner, tostring(max),
          redis.call('GET', l .. ':version') or '0',
          redis.call('LRANGE', l .. ':members', 0, max - 1), redis.call('HGETALL', l .. ':data')}
end
)lua";

// ARGV: prefix, owner, max members -> lobby number (0: none free). A number
// still in use (a room re-created after a restart) is passed over.
inline constexpr const char* kCreate = R"lua(
for _ = 1, 64 do
  local n = redis.call('INCR', p .. 'lobby:next')
  local l = lk(n)
  if redis.call('EXISTS', l) == 0 then
    redis.call('DEL', l .. ':members', l .. ':data', l .. ':version', l .. ':grace')
    redis.call('HSET', l, 'owner', ARGV[2], 'max', ARGV[3])
    redis.call('RPUSH', l .. ':members', ARGV[2])
    redis.call('SET', l .. ':version', 1)
    redis.call('SADD', p .. 'lobbies', n)
    return n
  end
end
return 0
)lua";

// ARGV: prefix, lobby, member -> 1 success, 2 no such lobby, 4 full, 6 malformed
inline constexpr const char* kJoin = R"lua(
local n, m = ARGV[2], ARGV[3]
local max = prune(n)
if max == nil then return 6 end
if max == 0 then return 2 end
if is_member(n, m, max) then return 1 end
local l = lk(n)
if redis.call('LLEN', l .. ':members') >= max then return 4 end
redis.call('RPUSH', l .. ':members', m)
redis.call('INCR', l .. ':version')
return 1
)lua";

// ARGV: prefix, lobby, member
inline constexpr const char* kLeave = R"lua(
local n, m = ARGV[2], ARGV[3]
local max = record(n)
if not max or not is_member(n, m, max) then return 0 end
return remove(n, m)
)lua";

// ARGV: prefix, lobbies examined, lobbies answered, then filter triples
// (key, value, 'eq' or 'ne') -> {snapshots of lobbies with room, malformed numbers}
inline constexpr const char* kList = R"lua(
local out, bad = {}, {}
local t = kind(p .. 'lobbies')
if t ~= 'set' then
  if t ~= 'none' then table.insert(bad, 'lobbies') end
  return {out, bad}
end
for _, n in ipairs(redis.call('SRANDMEMBER', p .. 'lobbies', tonumber(ARGV[2]))) do
  if #out >= tonumber(ARGV[3]) then break end
  local max = prune(n)
  if max == nil then
    table.insert(bad, n)
  elseif max > 0 and redis.call('LLEN', lk(n) .. ':members') < max then
    local ok, i = true, 4
    while ok and i + 2 <= #ARGV do
      local v = redis.call('HGET', lk(n) .. ':data', ARGV[i]) or ''
      if (v == ARGV[i + 1]) ~= (ARGV[i + 2] == 'eq') then ok = false end
      i = i + 3
    end
    if ok then table.insert(out, snapshot(n, max)) end
  end
end
return {out, bad}
)lua";

// ARGV: prefix, lobby, member, key, value -> 1 when set (owner only)
inline constexpr const char* kSetData = R"lua(
local l = lk(ARGV[2])
local max = record(ARGV[2])
if not max or checked_owner(ARGV[2], max) ~= ARGV[3] then return 0 end
redis.call('HSET', l .. ':data', ARGV[4], ARGV[5])
redis.call('INCR', l .. ':version')
return 1
)lua";

// ARGV: prefix, lobby, version known -> -1 gone, -2 malformed, 0 unchanged,
// else the lobby's snapshot
inline constexpr const char* kRead = R"lua(
local max = prune(ARGV[2])
if max == nil then return -2 end
if max == 0 then return -1 end
checked_owner(ARGV[2], max)
if (redis.call('GET', lk(ARGV[2]) .. ':version') or '0') == ARGV[3] then return 0 end
return snapshot(ARGV[2], max)
)lua";

// ARGV: prefix, lobby, owner, max, version, grace ms, member count k,
// k members, then data key/value pairs -> 1 when the room is there again
// with this owner, 0 when another room holds its number
inline constexpr const char* kRestore = R"lua(
local n, owner = ARGV[2], ARGV[3]
local l = lk(n)
local k = tonumber(ARGV[7])
local function put_data()
  local i = 8 + k
  while i + 1 <= #ARGV do
    redis.call('HSET', l .. ':data', ARGV[i], ARGV[i + 1])
    i = i + 2
  end
end
local have = record(n)
if have == nil then return 0 end
if have then
  if redis.call('HGET', l, 'owner') ~= owner then return 0 end
  -- Still there: data written while the directory was away is put back.
  put_data()
  redis.call('INCR', l .. ':version')
  return 1
end
redis.call('DEL', l .. ':members', l .. ':data', l .. ':version', l .. ':grace')
redis.call('HSET', l, 'owner', owner, 'max', ARGV[4])
for i = 1, k do redis.call('RPUSH', l .. ':members', ARGV[7 + i]) end
put_data()
redis.call('SET', l .. ':version', ARGV[5])
redis.call('SET', l .. ':grace', 1, 'PX', ARGV[6])
redis.call('SADD', p .. 'lobbies', n)
if (tonumber(redis.call('GET', p .. 'lobby:next') or '0') or 0) < tonumber(n) then
  redis.call('SET', p .. 'lobby:next', n)
end
return 1
)lua";

// Presence scripts stand alone. ARGV: prefix, id, endpoint, epoch, name, key,
// expiry ms -> 1 when registered, else minus the ms that another session's
// live presence of the account still lasts.
inline constexpr const char* kRegister = R"lua(
local k = ARGV[1] .. 'member:' .. ARGV[2]
if redis.call('TYPE', k).ok ~= 'hash' then redis.call('DEL', k) end
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
inline constexpr const char* kRemovePresence = R"lua(
local k = ARGV[1] .. 'member:' .. ARGV[2]
if redis.call('TYPE', k).ok ~= 'hash' then return 0 end
local held = redis.call('HMGET', k, 'epoch', 'key')
if held[1] ~= ARGV[3] or held[2] ~= ARGV[4] then return 0 end
return redis.call('DEL', k)
)lua";

}  // namespace platform::online::lua

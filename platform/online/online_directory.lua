#!lua name=vornakle_directory
-- The lobby directory's function library (Redis 7 functions, called with
-- FCALL; args[1] is the key prefix, no key names are passed). The program
-- embeds this text and loads it itself where its login may (FUNCTION LOAD);
-- tools/directory_setup loads the same file for a directory of players.
-- Functions run with the caller's rights: each command below needs the
-- player user's command and key permissions (the set-up tool's rules).
-- Every function answers {result, repairs}: repairs names each key it found
-- unreadable and replaced, so the caller can say so once. A lobby record
-- that is malformed (wrong type, a missing or non-numeric field) is skipped,
-- never fails a call, and leaves the index; the work per call is bounded: a
-- member list is read up to the lobby's maximum (250 at most) and trimmed
-- to it, a list request examines at most a fixed number of lobbies.
-- Raise the version with every change, so programs notice an older library.
local LIBRARY_VERSION = 1

-- Lobby numbers go up to this (the low word of a lobby id).
local LAST_NUMBER = 4294967295
-- A re-created room's grace is a few seconds; one set without an expiry (or
-- with a longer one) was not set by these functions.
local LONGEST_GRACE_MS = 60000

-- The call's state: its prefix, the repairs made, whether the index was
-- checked. Calls never overlap, so one set of upvalues serves them all.
local p, repairs, index_checked

local function begin(args)
  p, repairs, index_checked = args[1], {}, false
end
local function note(text) table.insert(repairs, text) end
local function answer(result) return {result, repairs} end
local function kind(k) return redis.call('TYPE', k).ok end
local function lk(n) return p .. 'lobby:' .. n end

-- The set of lobby numbers. Of another type it is replaced by an empty one;
-- the rooms enter it again as their members read them.
local function index()
  local k = p .. 'lobbies'
  if not index_checked then
    index_checked = true
    local t = kind(k)
    if t ~= 'set' and t ~= 'none' then
      redis.call('DEL', k)
      note(k .. ' (a ' .. t .. ', not a set) replaced by an empty index')
    end
  end
  return k
end

-- The lobby counter, a number below the last lobby number; anything else
-- (another type, not a number, at the limit) starts it again from 0.
local function counter()
  local c = p .. 'lobby:next'
  local t = kind(c)
  if t == 'none' then return c end
  local v = t == 'string' and redis.call('GET', c) or nil
  if v and (v == '0' or (#v <= 10 and string.match(v, '^[1-9]%d*$') and
                         tonumber(v) < LAST_NUMBER)) then
    return c
  end
  redis.call('SET', c, 0)
  if v and #v <= 20 and string.match(v, '^%d+$') then
    note(c .. ' (at the limit of lobby numbers) wrapped to 0')
  else
    note(c .. ' (' .. (v and 'not a number' or 'a ' .. t) .. ') replaced by 0')
  end
  return c
end

-- record(n) is a lobby's maximum, false when the lobby is gone, nil when its
-- record is malformed.
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
  redis.call('SREM', index(), n)
end
-- Takes a member out (migrating the owner, dropping an empty lobby).
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
-- Whether the lobby's grace key lives (it was just re-created after a
-- directory restart and its members are still registering again). A grace
-- that would never end was not set here: it is removed.
local function in_grace(n)
  local g = lk(n) .. ':grace'
  local left = redis.call('PTTL', g)
  if left == -2 then return false end
  if left == -1 or left > LONGEST_GRACE_MS then
    redis.call('DEL', g)
    note(g .. ' (without a short expiry) removed')
    return false
  end
  return true
end
-- Drops members whose presence key has expired (not in a lobby's grace);
-- a malformed lobby leaves the index (nil), a gone one is dropped (0).
local function prune(n)
  local max = record(n)
  if max == false then
    redis.call('SREM', index(), n)
    return 0
  end
  if max == nil then
    redis.call('SREM', index(), n)
    return nil
  end
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
  if in_grace(n) then return max end
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
-- something other than these functions) goes back to the first member.
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

local function register(name, body)
  redis.register_function(name, function(_, args)
    begin(args)
    return answer(body(args))
  end)
end

redis.register_function{function_name = 'vk_version', flags = {'no-writes'},
  callback = function() return LIBRARY_VERSION end}

-- args: prefix, owner, max members -> lobby number (0: none free). A number
-- still in use (a room re-created after a restart) is passed over.
register('vk_create', function(args)
  local c = counter()
  for _ = 1, 64 do
    local n = redis.call('INCR', c)
    if n > LAST_NUMBER then
      redis.call('SET', c, 1)
      n = 1
      note(c .. ' (past the last lobby number) wrapped to 1')
    end
    local l = lk(n)
    if redis.call('EXISTS', l) == 0 then
      redis.call('DEL', l .. ':members', l .. ':data', l .. ':version', l .. ':grace')
      redis.call('HSET', l, 'owner', args[2], 'max', args[3])
      redis.call('RPUSH', l .. ':members', args[2])
      redis.call('SET', l .. ':version', 1)
      redis.call('SADD', index(), n)
      return n
    end
  end
  return 0
end)

-- args: prefix, lobby, member -> 1 success, 2 no such lobby, 4 full, 6 malformed
register('vk_join', function(args)
  local n, m = args[2], args[3]
  local max = prune(n)
  if max == nil then return 6 end
  if max == 0 then return 2 end
  if is_member(n, m, max) then return 1 end
  local l = lk(n)
  if redis.call('LLEN', l .. ':members') >= max then return 4 end
  redis.call('RPUSH', l .. ':members', m)
  redis.call('INCR', l .. ':version')
  return 1
end)

-- args: prefix, lobby, member
register('vk_leave', function(args)
  local n, m = args[2], args[3]
  local max = record(n)
  if not max or not is_member(n, m, max) then return 0 end
  return remove(n, m)
end)

-- args: prefix, lobbies examined, lobbies answered, then filter triples
-- (key, value, 'eq' or 'ne') -> {snapshots of lobbies with room, malformed numbers}
register('vk_list', function(args)
  local out, bad = {}, {}
  for _, n in ipairs(redis.call('SRANDMEMBER', index(), tonumber(args[2]))) do
    if #out >= tonumber(args[3]) then break end
    local max = prune(n)
    if max == nil then
      table.insert(bad, n)
    elseif max > 0 and redis.call('LLEN', lk(n) .. ':members') < max then
      local ok, i = true, 4
      while ok and i + 2 <= #args do
        local v = redis.call('HGET', lk(n) .. ':data', args[i]) or ''
        if (v == args[i + 1]) ~= (args[i + 2] == 'eq') then ok = false end
        i = i + 3
      end
      if ok then table.insert(out, snapshot(n, max)) end
    end
  end
  return {out, bad}
end)

-- args: prefix, lobby, member, key, value -> 1 when set (owner only)
register('vk_set_data', function(args)
  local l = lk(args[2])
  local max = record(args[2])
  if not max or checked_owner(args[2], max) ~= args[3] then return 0 end
  redis.call('HSET', l .. ':data', args[4], args[5])
  redis.call('INCR', l .. ':version')
  return 1
end)

-- args: prefix, lobby, version known -> -1 gone, -2 malformed, 0 unchanged,
-- else the lobby's snapshot. A room missing from the index enters it again.
register('vk_read', function(args)
  local n = args[2]
  local max = prune(n)
  if max == nil then return -2 end
  if max == 0 then return -1 end
  if redis.call('SISMEMBER', index(), n) == 0 then redis.call('SADD', index(), n) end
  checked_owner(n, max)
  if (redis.call('GET', lk(n) .. ':version') or '0') == args[3] then return 0 end
  return snapshot(n, max)
end)

-- args: prefix, lobby, owner, max, version, grace ms, member count k,
-- k members, then data key/value pairs -> 1 when the room is there again
-- with this owner, 0 when another room holds its number
register('vk_restore', function(args)
  local n, owner = args[2], args[3]
  local l = lk(n)
  local k = tonumber(args[7])
  local function put_data()
    local i = 8 + k
    while i + 1 <= #args do
      redis.call('HSET', l .. ':data', args[i], args[i + 1])
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
  redis.call('HSET', l, 'owner', owner, 'max', args[4])
  for i = 1, k do redis.call('RPUSH', l .. ':members', args[7 + i]) end
  put_data()
  redis.call('SET', l .. ':version', args[5])
  redis.call('SET', l .. ':grace', 1, 'PX', args[6])
  redis.call('SADD', index(), n)
  local c = counter()
  if tonumber(redis.call('GET', c) or '0') < tonumber(n) then
    redis.call('SET', c, n)
  end
  return 1
end)

-- Presence. args: prefix, id, endpoint, epoch, name, key, expiry ms -> 1
-- when registered, else minus the ms that another session's live presence
-- of the account still lasts. Only the account's own user may write it.
register('vk_register', function(args)
  local k = p .. 'member:' .. args[2]
  local t = kind(k)
  if t ~= 'hash' and t ~= 'none' then
    redis.call('DEL', k)
    note(k .. ' (a ' .. t .. ', not a hash) replaced by this member\'s presence')
  end
  local held = redis.call('HMGET', k, 'epoch', 'key')
  if held[1] and (held[1] ~= args[4] or held[2] ~= args[6]) then
    local left = redis.call('PTTL', k)
    if left < 1 then left = 1 end
    return -left
  end
  redis.call('HSET', k, 'endpoint', args[3], 'epoch', args[4], 'name', args[5], 'key', args[6])
  redis.call('PEXPIRE', k, args[7])
  return 1
end)

-- args: prefix, id, epoch, key -> 1 when this session's presence was removed
register('vk_remove_presence', function(args)
  local k = p .. 'member:' .. args[2]
  if kind(k) ~= 'hash' then return 0 end
  local held = redis.call('HMGET', k, 'epoch', 'key')
  if held[1] ~= args[3] or held[2] ~= args[4] then return 0 end
  return redis.call('DEL', k)
end)

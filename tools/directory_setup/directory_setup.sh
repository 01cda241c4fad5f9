#!/usr/bin/env bash
# Prepares a Redis 7 server as the lobby directory of players, and adds,
# lists and removes their accounts. Runs redis-cli as the directory's
# administrator (its password from REDISCLI_AUTH, never the command line).
# Limits: users and the library live in the server's own store; without an
# aclfile (users) or persistence (the library) a restart loses them.
#
#   directory_setup.sh [options] prepare          load the function library,
#                                                 rewrite every player's rules
#   directory_setup.sh [options] add ACCOUNT      add (or reset) user player-ACCOUNT;
#                                                 its password from QZ_PLAYER_PASSWORD,
#                                                 else a new one, printed
#   directory_setup.sh [options] remove ACCOUNT   delete the user and close its
#                                                 connections
#   directory_setup.sh [options] list             the player users
#   directory_setup.sh [options] rules ACCOUNT    the ACL rules a player user gets
# Options: --directory HOST:PORT ($QZ_ONLINE_DIRECTORY, else 127.0.0.1:6379),
#          --admin USER (the administrator's user; the default user unless given),
#          --prefix P (the program's key prefix, "vk:").
set -euo pipefail
# The key patterns hold globs: no file name expansion anywhere.
set -f

here=$(cd "$(dirname "$0")" && pwd)
library="$here/../../platform/online/online_directory.lua"
directory=${QZ_ONLINE_DIRECTORY:-127.0.0.1:6379}
admin=""
prefix="vk:"
# A player user's name: the program checks that it owns its account by it.
user_prefix="player-"
# The high word of an individual account's 64-bit id (universe 1, type 1,
# instance 1): its presence key is <prefix>member:<that id + account>.
individual_base=$((0x0110000100000000))

die() {
  echo "directory_setup: $*" >&2
  exit 1
}

while [ $# -gt 0 ]; do
  case "$1" in
    --directory) directory=${2:?--directory needs HOST:PORT}; shift 2 ;;
    --admin) admin=${2:?--admin needs a user}; shift 2 ;;
    --prefix) prefix=${2?--prefix needs a prefix}; shift 2 ;;
    --) shift; break ;;
    -*) die "unknown option $1" ;;
    *) break ;;
  esac
done
[ $# -ge 1 ] || die "no command (prepare, add, remove, list, rules)"
command=$1
shift

host=${directory%:*}
port=${directory##*:}
[ "$host" != "$directory" ] || port=6379
[[ $port =~ ^[0-9]+$ ]] || die "no port in \"$directory\""
# Key patterns are globs: a prefix with glob characters would widen them.
[[ $prefix =~ ^[A-Za-z0-9:_.-]*$ ]] || die "the prefix \"$prefix\" holds characters other than letters, digits and :_.-"

cli_args=(-h "$host" -p "$port" --no-auth-warning)
[ -z "$admin" ] || cli_args+=(--user "$admin")

# redis-cli with these arguments; fails with the server's answer when it is
# an error (error replies are a capitalised code and a text; redis-cli's
# own status is 0 for them).
cli() {
  local out
  out=$(redis-cli "${cli_args[@]}" "$@" 2>&1) || die "redis-cli $1 failed: $out"
  if [[ $out =~ ^[A-Z]+[[:space:]] ]] && [ "$out" != "OK" ]; then
    die "$1 $2: $out"
  fi
  printf '%s\n' "$out"
}

account_number() {
  [[ ${1:-} =~ ^[1-9][0-9]*$ ]] && [ "${#1}" -le 10 ] && [ "$1" -le 4294967295 ] ||
    die "\"${1:-}\" is not an account number (1 to 4294967295)"
  printf '%s\n' "$1"
}

# The commands a player's program sends: PING (its connection check), HMGET
# (other members' presence), FCALL and FCALL_RO (the library's functions);
# AUTH needs no rule. Then each command the functions call, for the
# functions run with the caller's rights. Nothing else: no CONFIG, CLIENT,
# ACL, FLUSHALL, KEYS, EVAL, SCRIPT, FUNCTION or anything @admin/@dangerous.
player_commands="+ping +hmget +fcall +fcall_ro \
+type +exists +pttl +get +set +incr +del +pexpire \
+hget +hset +hlen +hgetall \
+llen +lindex +lrange +lrem +ltrim +rpush \
+sadd +srem +sismember +srandmember"

# The rules of player-ACCOUNT past its login: read every directory key,
# write the lobby keys (rooms are written by their members through the
# functions) and only its own presence.
player_rules() {
  local id=$((individual_base + $1))
  printf '%s\n' "resetkeys resetchannels clearselectors -@all $player_commands" \
    "%R~${prefix}* ~${prefix}lobbies ~${prefix}lobby:* ~${prefix}member:${id} ~${prefix}member:${id}:*"
}

# Users live until the server restarts unless it keeps an aclfile.
save_users() {
  local out
  out=$(redis-cli "${cli_args[@]}" ACL SAVE 2>&1) || true
  case "$out" in
    OK) ;;
    *"not configured to use an ACL file"*)
      echo "note: the directory has no aclfile: it keeps its users only until it restarts (start it with --aclfile <file> to keep them)" >&2 ;;
    *) echo "note: ACL SAVE answered: $out" >&2 ;;
  esac
}

player_users() {
  local users
  users=$(cli ACL USERS) || exit 1
  grep -E "^${user_prefix}[1-9][0-9]*$" <<<"$users" || true
}

case "$command" in
  prepare)
    [ -r "$library" ] || die "no function library at $library"
    name=$(redis-cli "${cli_args[@]}" -x FUNCTION LOAD REPLACE <"$library" 2>&1) ||
      die "FUNCTION LOAD failed: $name"
    [ "$name" = "vornakle_directory" ] || die "FUNCTION LOAD answered: $name"
    version=$(cli FCALL_RO vk_version 0)
    echo "function library $name version $version loaded"
    # Rules written by an older tool are brought up to date; passwords stay.
    for user in $(player_users); do
      # shellcheck disable=SC2046 # the rules are words
      cli ACL SETUSER "$user" $(player_rules "${user#"$user_prefix"}") >/dev/null
      echo "rules of $user rewritten"
    done
    if cli ACL GETUSER default | grep -qx nopass; then
      echo "warning: the default user has no password: whoever reaches the directory is its administrator (set requirepass)" >&2
    fi
    if [ -z "$(cli CONFIG GET save | sed -n 2p)" ] && [ "$(cli CONFIG GET appendonly | sed -n 2p)" = "no" ]; then
      echo "note: the directory keeps no data on disk: after a restart, run prepare again" >&2
    fi
    save_users
    ;;
  add)
    account=$(account_number "${1:-}")
    user="$user_prefix$account"
    password=${QZ_PLAYER_PASSWORD:-}
    made_up=""
    if [ -z "$password" ]; then
      password=$(head -c 18 /dev/urandom | base64 | tr '+/' '-_')
      made_up=1
    fi
    # The password goes in on stdin (-x: the last argument), not on a
    # command line others can list. Existing connections of the user are
    # closed, so a new password holds at once.
    # shellcheck disable=SC2046 # the rules are words
    out=$(printf '>%s' "$password" |
      redis-cli "${cli_args[@]}" -x ACL SETUSER "$user" reset on $(player_rules "$account") 2>&1) ||
      die "ACL SETUSER failed: $out"
    [ "$out" = "OK" ] || die "ACL SETUSER $user: $out"
    cli CLIENT KILL USER "$user" >/dev/null || true
    echo "user $user plays account $account"
    [ -z "$made_up" ] || echo "password: $password"
    save_users
    ;;
  remove)
    account=$(account_number "${1:-}")
    user="$user_prefix$account"
    # Deleting a user closes its connections: the player is shut out now,
    # and its next login is refused.
    [ "$(cli ACL DELUSER "$user")" = "1" ] || die "no user $user"
    echo "user $user removed"
    save_users
    ;;
  list)
    player_users
    ;;
  rules)
    account=$(account_number "${1:-}")
    echo "$user_prefix$account on >password $(player_rules "$account" | tr '\n' ' ')"
    ;;
  *)
    die "unknown command \"$command\" (prepare, add, remove, list, rules)"
    ;;
esac

#!/usr/bin/env bash
# Gives an INI file's [Database] keys an account of the local MariaDB server of its own.
#
#   bash scripts/database-account.sh <account> <ini-file> <database pattern>...
#
# When the file names another account, nothing is done: somebody chose it. When it names
# <account> and that account logs in, nothing is done either. Otherwise <account>@localhost is
# created (or, when it exists but its password is lost, given a new one), granted all privileges
# on the given databases (GRANT patterns: `_` and `%` are wildcards unless escaped) and reading
# of the server's help topics, nothing else, and its name and a generated password are written
# into the file. The help topics let it open the database `mysql`, where the programs connect
# before their own database exists. No other account of the server is read or changed. The
# administrator's login is the client's default: root over the unix socket, or what ~/.my.cnf
# says.
set -euo pipefail

fail() {
    echo "database-account: $*" >&2
    exit 1
}

[[ $# -ge 3 ]] || fail "usage: $0 <account> <ini-file> <database pattern>..."
account=$1
ini=$2
shift 2
databases=("$@")
[[ "$account" =~ ^[A-Za-z0-9_]+$ ]] || fail "account names are letters, digits and _: $account"

# The value of a [Database] key, matched without regard to case; the first one wins.
ini_value() {
    [[ -f "$ini" ]] || return 0
    awk -v wanted="$(echo "$1" | tr '[:upper:]' '[:lower:]')" '
        { sub(/\r$/, "") }
        /^[ \t]*\[/ { section = tolower($0); gsub(/^[ \t]*\[[ \t]*|[ \t]*\][ \t]*$/, "", section); next }
        section == "database" {
            split($0, parts, "=")
            key = tolower(parts[1]); gsub(/^[ \t]+|[ \t]+$/, "", key)
            if (key == wanted) { value = substr($0, index($0, "=") + 1); gsub(/^[ \t]+|[ \t]+$/, "", value); print value; exit }
        }' "$ini"
}

# Rewrites the file with DBUsername and DBPassword as the first keys of [Database], keeping every
# other line and the file's line ends.
write_keys() {
    local password=$1 folder temporary
    folder=$(dirname "$ini")
    mkdir -p "$folder"
    temporary=$(mktemp "$folder/.database-account.XXXXXX")
    touch "$ini"
    awk -v user="$account" -v password="$password" '
        BEGIN { ending = "\n" }
        NR == 1 && /\r$/ { ending = "\r\n" }
        { line = $0; sub(/\r$/, "", line) }
        /^[ \t]*\[/ {
            section = tolower(line); gsub(/^[ \t]*\[[ \t]*|[ \t]*\][ \t]*$/, "", section)
            printf "%s%s", line, ending
            if (section == "database" && !written) {
                printf "DBUsername=%s%sDBPassword=%s%s", user, ending, password, ending
                written = 1
            }
            next
        }
        section == "database" {
            key = line; sub(/=.*/, "", key); key = tolower(key); gsub(/^[ \t]+|[ \t]+$/, "", key)
            if (key == "dbusername" || key == "dbpassword") next
        }
        { printf "%s%s", line, ending }
        END {
            if (!written) printf "[Database]%sDBUsername=%s%sDBPassword=%s%s", ending, user, ending, password, ending
        }' "$ini" >"$temporary"
    chmod 600 "$temporary"
    mv "$temporary" "$ini"
}

logs_in() {
    MYSQL_PWD=$2 mariadb --connect-timeout=5 --user="$1" -e 'SELECT 1' >/dev/null 2>&1
}

admin() {
    mariadb --connect-timeout=5 -e "$1" ||
        fail "cannot log in to the local MariaDB server as its administrator (root over the unix" \
            "socket, or the client settings of ~/.my.cnf); run the statements yourself: $1"
}

user=$(ini_value DBUsername)
if [[ -n "$user" && "$user" != "$account" ]]; then
    echo "database-account: $ini names the account $user; left as it is"
    exit 0
fi
if [[ "$user" == "$account" ]] && logs_in "$account" "$(ini_value DBPassword)"; then
    echo "database-account: $account logs in with the password of $ini"
    exit 0
fi

password=$(head -c 64 /dev/urandom | base64 -w0 | tr -dc 'A-Za-z0-9')
password=${password:0:24}
statements="CREATE USER IF NOT EXISTS '$account'@'localhost' IDENTIFIED BY '$password';"
statements+=" ALTER USER '$account'@'localhost' IDENTIFIED BY '$password';"
statements+=" GRANT SELECT ON mysql.help_topic TO '$account'@'localhost';"
for database in "${databases[@]}"; do
    statements+=" GRANT ALL PRIVILEGES ON \`$database\`.* TO '$account'@'localhost';"
done
admin "$statements"
write_keys "$password"
logs_in "$account" "$password" || fail "$account@localhost was set up but does not log in"
echo "database-account: $account@localhost set up; its password is in $ini"

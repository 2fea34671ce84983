#!/usr/bin/env bash
# Starts the local MariaDB server without systemd when none answers. A server that already runs is
# left exactly as it is: this script changes no account and no setting of any server.
set -euo pipefail

readonly WAIT_SECONDS=60
readonly LOG_DIR=/var/log/mysql
readonly LOG_FILE="$LOG_DIR/error.log"
readonly SOCKET_DIR=/run/mysqld

fail() {
    echo "start-mariadb: $*" >&2
    exit 1
}

server_answers() {
    mariadb-admin --connect-timeout=2 ping >/dev/null 2>&1
}

server_option() {
    # The last value of a [mysqld] option as the server itself would read it.
    my_print_defaults --mysqld | sed -n "s/^--$1=//p" | tail -n 1
}

show_log_tail() {
    if [[ -r "$LOG_FILE" ]]; then
        echo "--- last lines of $LOG_FILE ---" >&2
        tail -n 30 "$LOG_FILE" >&2
    fi
}

process_alive() {
    local state
    [[ -r "/proc/$1/stat" ]] || return 1
    state=$(awk '{print $3}' "/proc/$1/stat")
    [[ "$state" != "Z" ]]
}

prepare_folders() {
    local datadir=$1
    mkdir -p "$SOCKET_DIR" "$LOG_DIR"
    chown mysql:mysql "$SOCKET_DIR"
    chown mysql:adm "$LOG_DIR" 2>/dev/null || chown mysql:mysql "$LOG_DIR"
    if [[ ! -d "$datadir/mysql" ]]; then
        echo "start-mariadb: initialising the data directory $datadir"
        mkdir -p "$datadir"
        chown mysql:mysql "$datadir"
        mariadb-install-db --user=mysql --datadir="$datadir" --skip-test-db \
            --auth-root-authentication-method=socket >>"$LOG_FILE" 2>&1 ||
            { show_log_tail; fail "mariadb-install-db failed"; }
    fi
}

start_server() {
    local datadir pid waited
    datadir=$(server_option datadir)
    datadir=${datadir:-/var/lib/mysql}
    prepare_folders "$datadir"

    echo "start-mariadb: starting mariadbd (log: $LOG_FILE)"
    # setsid detaches the server from this shell's session so it outlives the script.
    setsid /usr/sbin/mariadbd --user=mysql --datadir="$datadir" --log-error="$LOG_FILE" \
        </dev/null >>"$LOG_FILE" 2>&1 &
    pid=$!
    disown "$pid" 2>/dev/null || true

    for ((waited = 0; waited < WAIT_SECONDS; waited++)); do
        if server_answers; then
            return 0
        fi
        if ! process_alive "$pid"; then
            show_log_tail
            fail "mariadbd exited during start-up"
        fi
        sleep 1
    done
    show_log_tail
    fail "mariadbd did not accept connections within $WAIT_SECONDS seconds"
}

[[ $EUID -eq 0 ]] || fail "must run as root"
command -v mariadb-admin >/dev/null || fail "mariadb-admin not found; is mariadb-server installed?"

if server_answers; then
    echo "start-mariadb: a server is already running"
else
    start_server
fi
echo "start-mariadb: ready"

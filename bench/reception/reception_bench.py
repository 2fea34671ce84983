#!/usr/bin/env python3
"""Reception benchmark: an installed TrevalonService, TrevalonManager (offscreen) and rsyslog,
side by side, against the local MariaDB server.

For each receiver and storage mode the ladder of rates is climbed; at each rate a fresh receiver
gets N numbered 120-byte messages over UDP from udp_rate_sender (a process of its own), and the
messages found afterwards in the text file and in the table are counted. A rate is lossless for
the file, the table or both when every message arrived there. The lag is the time from the last
send until the last message was in place. The ladder stops after the first rate at which nothing
was lossless any more.

Run through run.sh, which builds the sender and the installation first.
"""

import argparse
import datetime
import glob
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

RSYSLOG_DATABASE = "trevalon_bench_rsyslog"
READY_PATIENCE = 60
STOP_PATIENCE = 120
POLL_SECONDS = 0.25


def log(text):
    print(text, flush=True)


def sql(statement, database=""):
    command = ["mariadb", "-N", "-B", "-uroot", "--password="]
    if database:
        command.append(database)
    return subprocess.run(command + ["-e", statement], check=True, capture_output=True,
                          text=True).stdout.strip()


def free_udp_port():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def cpu_seconds(pid):
    """User plus system CPU time of a process, or None when it is gone."""
    try:
        with open(f"/proc/{pid}/stat") as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    except (OSError, IndexError):
        return None


def mariadb_pid():
    try:
        return int(subprocess.run(["pidof", "mariadbd"], capture_output=True, text=True,
                                  check=True).stdout.split()[0])
    except (subprocess.CalledProcessError, IndexError):
        return None


class LineCounter:
    """Counts the lines of a growing file by reading only what was added since the last look."""

    def __init__(self, pattern):
        self.pattern = pattern
        self.lines = 0
        self.file = None

    def count(self):
        if self.file is None:
            found = sorted(glob.glob(self.pattern))
            if not found:
                return 0
            self.file = open(found[0], "rb")
        while True:
            chunk = self.file.read(1 << 20)
            if not chunk:
                return self.lines
            self.lines += chunk.count(b"\n")

    def distinct_numbers(self, marker):
        numbers = set()
        expression = re.compile(re.escape(marker.encode()) + rb"-(\d{8}) ")
        for path in glob.glob(self.pattern):
            with open(path, "rb") as whole:
                for line in whole:
                    match = expression.search(line)
                    if match:
                        numbers.add(match.group(1))
        return len(numbers)

    def close(self):
        if self.file:
            self.file.close()


class Receiver:
    """One receiver process in a folder of its own, for one run."""

    name = ""

    def __init__(self, folder, port, table):
        self.folder = folder
        self.port = port
        self.table = table
        self.process = None

    def file_pattern(self):
        raise NotImplementedError

    def table_count(self, host):
        raise NotImplementedError

    def distinct_rows(self, host):
        raise NotImplementedError

    def forget_rows(self, host):
        raise NotImplementedError

    def stop(self):
        if self.process is None or self.process.poll() is not None:
            return
        self.process.send_signal(signal.SIGTERM)
        try:
            self.process.wait(STOP_PATIENCE)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


class Trevalon(Receiver):
    name = "trevalon"

    def __init__(self, folder, port, table, installation, command=None, environment=None,
                 database=""):
        super().__init__(folder, port, table)
        for sub in ("conf", "log", "dll", "help", "xdg/varnholt"):
            os.makedirs(os.path.join(folder, sub), exist_ok=True)
        shutil.copy(os.path.join(installation, "dll", "libmariadb.so.3"),
                    os.path.join(folder, "dll"))
        with open(os.path.join(folder, "xdg/varnholt/registry.ini"), "w") as registry:
            registry.write(f"[Software\\varnholt\\Trevalon\\Settings]\nAppPath={folder}\n")
        # Default settings but the port, and the table switched off for file only.
        # The manager's version check stays off; its help set is there, or a warning would wait.
        settings = f"[System]\nSysLogPort={port}\nVersionCheckURL=\n"
        if not table:
            settings += "[SysLog DB Backup]\nEnable=0\n"
        settings += database
        with open(os.path.join(folder, "conf", "SysInit.ini"), "w") as ini:
            ini.write(settings)
        with open(os.path.join(folder, "help", "index.htm"), "w") as index:
            index.write("<html></html>")
        environment = dict(os.environ, XDG_CONFIG_HOME=os.path.join(folder, "xdg"),
                           **(environment or {}))
        command = command or [os.path.join(installation, "bin", "TrevalonService")]
        self.process = subprocess.Popen(command, env=environment, stdin=subprocess.DEVNULL,
                                        stdout=open(os.path.join(folder, "stdout.txt"), "w"),
                                        stderr=subprocess.STDOUT)
        deadline = time.monotonic() + READY_PATIENCE
        while "Trevalon starts." not in self.diagnostic_log():
            if self.process.poll() is not None or time.monotonic() > deadline:
                raise RuntimeError(f"{command[0]} did not start:\n" + self.diagnostic_log())
            time.sleep(0.1)

    def diagnostic_log(self):
        text = ""
        for path in glob.glob(os.path.join(self.folder, "log", "system_*.log")):
            with open(path, errors="replace") as part:
                text += part.read()
        return text

    def errors(self):
        lines = [line for line in self.diagnostic_log().splitlines() if "[ERROR]" in line]
        return len(lines), (lines[0][:200] if lines else "")

    def file_pattern(self):
        return os.path.join(self.folder, "log", "syslog_*.log")

    def table_count(self, host):
        return int(sql(f"select count(*) from syslog where ip='{host}'", "trevalon"))

    def distinct_rows(self, host):
        return int(sql(f"select count(distinct msg) from syslog where ip='{host}'", "trevalon"))

    def forget_rows(self, host):
        sql(f"delete from syslog where ip='{host}'", "trevalon")


class Manager(Trevalon):
    """TrevalonManager offscreen, with the probe of manager_bench_host on its window thread."""

    name = "manager"

    def __init__(self, folder, port, table, installation, host):
        self.report = os.path.join(folder, "stall.txt")
        super().__init__(folder, port, table, installation, [host, "-platform", "offscreen"],
                         {"TREVALON_STALL_REPORT": self.report, "QT_QPA_PLATFORM": "offscreen"})

    def stall(self):
        """The window thread's probe figures, once the program ended."""
        try:
            with open(self.report) as report:
                return dict(field.split("=", 1) for field in report.read().split())
        except OSError:
            return {}


def resident_mb(pid):
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1]) / 1024
    except OSError:
        pass
    return None


class Rsyslog(Receiver):
    """rsyslog with omfile and, for the table, ommysql writing rows shaped like ours."""

    def __init__(self, folder, port, table, receive_buffer):
        super().__init__(folder, port, table)
        self.name = "rsyslog" + (f"-{receive_buffer}" if receive_buffer else "")
        buffer_option = f' rcvbufSize="{receive_buffer}"' if receive_buffer else ""
        config = [
            f'global(workDirectory="{folder}" net.enableDNS="off")',
            'module(load="imudp")',
            f'input(type="imudp" address="127.0.0.1" port="{port}"{buffer_option})',
            f'action(type="omfile" file="{folder}/syslog.log")',
        ]
        if table:
            config += [
                'module(load="ommysql")',
                'template(name="row" type="list" option.sql="on") {',
                '  constant(value="insert into syslog (syslog_datetime,ip,facility,severity,msg)'
                ' values (\'")',
                '  property(name="timereported" dateFormat="mysql")',
                '  constant(value="\',\'") property(name="hostname")',
                '  constant(value="\',\'") property(name="syslogfacility-text")',
                '  constant(value="\',\'") property(name="syslogseverity-text")',
                '  constant(value="\',\'") property(name="msg")',
                '  constant(value="\')")',
                '}',
                f'action(type="ommysql" server="localhost" db="{RSYSLOG_DATABASE}" uid="root"'
                ' pwd="" template="row")',
            ]
        with open(os.path.join(folder, "rsyslog.conf"), "w") as conf:
            conf.write("\n".join(config) + "\n")
        self.process = subprocess.Popen(
            ["rsyslogd", "-n", "-f", os.path.join(folder, "rsyslog.conf"), "-i",
             os.path.join(folder, "rsyslogd.pid")],
            stdin=subprocess.DEVNULL, stdout=open(os.path.join(folder, "stdout.txt"), "w"),
            stderr=subprocess.STDOUT)
        deadline = time.monotonic() + READY_PATIENCE
        while not self.bound():
            if self.process.poll() is not None or time.monotonic() > deadline:
                with open(os.path.join(folder, "stdout.txt")) as output:
                    raise RuntimeError("rsyslogd did not start:\n" + output.read())
            time.sleep(0.1)

    def bound(self):
        with open("/proc/net/udp") as table:
            return any(int(line.split()[1].split(":")[1], 16) == self.port
                       for line in table.readlines()[1:])

    def errors(self):
        with open(os.path.join(self.folder, "stdout.txt"), errors="replace") as output:
            lines = [line for line in output.read().splitlines() if "error" in line.lower()]
        return len(lines), (lines[0][:200] if lines else "")

    def file_pattern(self):
        return os.path.join(self.folder, "syslog.log")

    def table_count(self, host):
        return int(sql(f"select count(*) from syslog where ip='{host}'", RSYSLOG_DATABASE))

    def distinct_rows(self, host):
        return int(sql(f"select count(distinct msg) from syslog where ip='{host}'",
                       RSYSLOG_DATABASE))

    def forget_rows(self, host):
        sql("truncate table syslog", RSYSLOG_DATABASE)


def prepare_rsyslog_database():
    sql(f"drop database if exists {RSYSLOG_DATABASE}")
    sql(f"create database {RSYSLOG_DATABASE} character set utf8mb4")
    shape = sql("show create table syslog", "trevalon").split("\t", 1)[1].replace("\\n", "\n")
    sql(shape, RSYSLOG_DATABASE)


def wait_database_quiet(patience=180):
    """Waits until the server is idle: the rows the last run removed are purged in the background
    and would otherwise weigh on the next run."""
    database = mariadb_pid()
    if database is None:
        return
    deadline = time.monotonic() + patience
    before = cpu_seconds(database)
    while time.monotonic() < deadline:
        time.sleep(1)
        now = cpu_seconds(database)
        if before is None or now is None or now - before < 0.05:
            return
        before = now
    log("the database server did not come to rest; measuring anyway")


def stall_database(seconds):
    """A session that holds the global read lock: inserts wait as on a server that hangs."""
    return subprocess.Popen(["mariadb", "-uroot", "--password=", "-e",
                             f"FLUSH TABLES WITH READ LOCK; SELECT SLEEP({seconds:.0f})"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def run_once(args, kind, table, rate, seconds, number, stall=False):
    if table:
        wait_database_quiet()
    folder = tempfile.mkdtemp(prefix=f"reception-{kind}-", dir=args.work)
    port = free_udp_port()
    if kind == "trevalon":
        receiver = Trevalon(folder, port, table, args.installation)
    elif kind == "manager":
        receiver = Manager(folder, port, table, args.installation, args.manager)
    elif kind == "rsyslog":
        receiver = Rsyslog(folder, port, table, "")
    else:
        receiver = Rsyslog(folder, port, table, kind.split("-", 1)[1])
    count = int(rate * seconds) if rate else args.max_count
    host = f"b{os.getpid()}r{number}"
    marker = f"m{os.getpid()}r{number}"
    counter = LineCounter(receiver.file_pattern())
    database = mariadb_pid()
    cpu_before = (cpu_seconds(receiver.process.pid), cpu_seconds(database) if database else None)
    staller = stall_database(seconds) if stall else None
    memory = [resident_mb(receiver.process.pid)]
    try:
        sender = subprocess.run(
            [args.sender, "127.0.0.1", str(port), str(count), str(rate), host, marker],
            capture_output=True, text=True, check=False)
        report = dict(field.split("=", 1) for field in sender.stdout.split())
        if "last_send_ns" not in report:
            raise RuntimeError("sender failed: " + sender.stdout + sender.stderr)
        last_send = int(report["last_send_ns"]) / 1e9
        sent = int(report["sent"])
        memory.append(resident_mb(receiver.process.pid))
        if staller:
            staller.wait()

        in_file = in_table = 0
        file_done = table_done = None
        changed = time.time()
        deadline = time.time() + args.drain
        while time.time() < deadline:
            now_file = counter.count()
            try:
                now_table = receiver.table_count(host) if table else 0
            except subprocess.CalledProcessError:
                # The server refused the look (too many connections, say): look again.
                now_table = in_table
            now = time.time()
            if (now_file, now_table) != (in_file, in_table):
                changed = now
            in_file, in_table = now_file, now_table
            if file_done is None and in_file >= sent:
                file_done = now
            if table and table_done is None and in_table >= sent:
                table_done = now
            if file_done and (table_done or not table):
                break
            if now - changed > args.quiet:
                break
            time.sleep(POLL_SECONDS)
        memory.append(resident_mb(receiver.process.pid))
        cpu_after = (cpu_seconds(receiver.process.pid),
                     cpu_seconds(database) if database else None)
        file_whole = in_file == sent and counter.distinct_numbers(marker) == sent
        table_whole = table and in_table == sent and receiver.distinct_rows(host) == sent
        errors, first_error = receiver.errors()
        # The manager's probe figures are written as it ends.
        receiver.stop()
        stall = receiver.stall() if isinstance(receiver, Manager) else None

        def lag(done):
            return (done if done else changed) - last_send

        result = {
            "receiver": receiver.name,
            "mode": "file+table" if table else "file",
            "asked": rate or "max",
            "rate": float(report["rate"]),
            "seconds": float(report["seconds"]),
            "sent": sent,
            "file": in_file,
            "table": in_table if table else None,
            "file_ok": file_whole,
            "table_ok": table_whole if table else None,
            "file_lag": lag(file_done),
            "table_lag": lag(table_done) if table else None,
            "receiver_cpu": (cpu_after[0] - cpu_before[0]) if None not in (cpu_after[0],
                                                                            cpu_before[0]) else None,
            "database_cpu": (cpu_after[1] - cpu_before[1]) if None not in (cpu_after[1],
                                                                            cpu_before[1]) else None,
            "errors": errors,
            "first_error": first_error,
            "memory": memory,
            "stall": stall,
        }
    finally:
        counter.close()
        receiver.stop()
        if table:
            try:
                receiver.forget_rows(host)
            except subprocess.CalledProcessError as error:
                log(f"cannot remove the rows of {host}: {error.stderr}")
        if not args.keep:
            shutil.rmtree(folder, ignore_errors=True)
    return result


class PrivateServer:
    """A mariadbd of the benchmark's own (data folder, socket, loopback port), so that it can be
    stopped and started without touching the machine's shared server."""

    user = "trevalon_bench"
    password = "bench-pw"

    def __init__(self, folder):
        self.folder = folder
        self.port = free_tcp_port()
        self.process = None
        subprocess.run(["mariadb-install-db", "--no-defaults", "--user=root",
                        "--auth-root-authentication-method=normal", "--skip-test-db",
                        f"--datadir={folder}/data"], check=True, capture_output=True)
        self.start()
        self.sql(f"CREATE USER '{self.user}'@'127.0.0.1' IDENTIFIED BY '{self.password}';"
                 f" GRANT ALL ON *.* TO '{self.user}'@'127.0.0.1';")

    def start(self):
        self.process = subprocess.Popen(
            ["/usr/sbin/mariadbd", "--no-defaults", "--user=root", f"--datadir={self.folder}/data",
             f"--socket={self.folder}/socket", f"--port={self.port}", "--bind-address=127.0.0.1",
             f"--log-error={self.folder}/error.log", f"--pid-file={self.folder}/pid",
             "--skip-name-resolve", "--skip-log-bin", "--innodb-buffer-pool-size=256M",
             "--max-connections=200"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + READY_PATIENCE
        while True:
            try:
                socket.create_connection(("127.0.0.1", self.port), 1).close()
                return
            except OSError:
                if self.process.poll() is not None or time.monotonic() > deadline:
                    raise RuntimeError("the private mariadbd did not start")
                time.sleep(0.05)

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            self.process.wait(STOP_PATIENCE)

    def stall(self, seconds):
        """A session that holds the global read lock: the server answers but every insert
        waits, as on a server that falls behind."""
        return subprocess.Popen(
            ["mariadb", "--no-defaults", "-uroot", f"--socket={self.folder}/socket", "-e",
             f"FLUSH TABLES WITH READ LOCK; SELECT SLEEP({seconds:.0f})"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def sql(self, statement, database=""):
        command = ["mariadb", "--no-defaults", "-N", "-B", "-uroot", f"--socket={self.folder}/socket"]
        if database:
            command.append(database)
        return subprocess.run(command + ["-e", statement], check=True, capture_output=True,
                              text=True).stdout.strip()

    def settings(self):
        return (f"[Database]\nHost=127.0.0.1\nPort={self.port}\nDBUsername={self.user}\n"
                f"DBPassword={self.password}\n")


def held_stores(receiver):
    """How often the receiver logged that every row it held was stored."""
    return receiver.diagnostic_log().count("takes rows again")


def free_tcp_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def run_outage(args):
    """File plus table at one rate while the receiver's own server is stopped in the middle of
    the send and started again: rows stored of sent, the catch-up after the server's return,
    and the receiver's peak resident memory."""
    folder = tempfile.mkdtemp(prefix="reception-outage-", dir=args.work)
    server = PrivateServer(os.path.join(folder, "server"))
    receiver = None
    try:
        port = free_udp_port()
        receiver = Trevalon(os.path.join(folder, "trevalon"), port, True, args.installation,
                            database=server.settings())
        count = int(args.outage_rate * args.outage_seconds)
        host = f"o{os.getpid()}"
        marker = f"m{os.getpid()}o"
        started = time.monotonic()
        sender = subprocess.Popen(
            [args.sender, "127.0.0.1", str(port), str(count), str(args.outage_rate), host, marker],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        peak = 0.0
        stopped_at = returned_at = None
        staller = None
        held_done = None
        ends_before = 0
        outage_begins = (args.outage_seconds - args.outage_length) / 2
        while sender.poll() is None:
            elapsed = time.monotonic() - started
            if stopped_at is None and args.outage_length > 0 and elapsed >= outage_begins:
                if args.outage_kind == "stall":
                    staller = server.stall(args.outage_length)
                else:
                    server.stop()
                stopped_at = time.monotonic()
                log(f"outage: server {args.outage_kind} at {elapsed:.1f}s")
            if (stopped_at is not None and returned_at is None
                    and time.monotonic() - stopped_at >= args.outage_length):
                if args.outage_kind == "stall":
                    staller.wait()
                else:
                    server.start()
                returned_at = time.monotonic()
                ends_before = held_stores(receiver)
                log(f"outage: server back at {returned_at - started:.1f}s")
            if (returned_at is not None and held_done is None
                    and held_stores(receiver) > ends_before):
                held_done = time.monotonic()
            peak = max(peak, resident_mb(receiver.process.pid) or 0)
            time.sleep(0.2)
        if returned_at is None:
            if stopped_at is not None and args.outage_kind == "stall":
                staller.wait()
            elif stopped_at is not None:
                server.start()
            returned_at = time.monotonic()
        output, _ = sender.communicate()
        report = dict(field.split("=", 1) for field in output.split())
        sent = int(report["sent"])
        counter = LineCounter(receiver.file_pattern())
        rows = 0
        caught_up = None
        changed = time.monotonic()
        deadline = time.monotonic() + args.drain
        while time.monotonic() < deadline:
            peak = max(peak, resident_mb(receiver.process.pid) or 0)
            try:
                now_rows = int(server.sql(f"select count(*) from syslog where ip='{host}'",
                                          "trevalon"))
            except subprocess.CalledProcessError:
                now_rows = rows
            if now_rows != rows:
                changed = time.monotonic()
            rows = now_rows
            if stopped_at and held_done is None and held_stores(receiver) > ends_before:
                held_done = time.monotonic()
            if rows >= sent:
                caught_up = time.monotonic()
                break
            if time.monotonic() - changed > args.quiet:
                break
            time.sleep(POLL_SECONDS)
        in_file = counter.count()
        counter.close()
        distinct = int(server.sql(f"select count(distinct msg) from syslog where ip='{host}'",
                                  "trevalon"))
        lines = receiver.diagnostic_log().splitlines()
        outage_lines = [line for line in lines
                        if "cannot take rows" in line or "takes rows again" in line]
        spool_full = sum("Row Spool Full" in line for line in lines)
        catch_up = "not caught up" if caught_up is None else f"{caught_up - returned_at:.1f}s"
        after = "the server's return" if stopped_at else "the last send"
        if stopped_at and held_done:
            after += f", the rows held during the outage {held_done - returned_at:.1f}s after it"
        log(f"private  file+table asked {args.outage_rate:.0f}/s sent {sent} at"
            f" {float(report['rate']):.0f}/s in {float(report['seconds']):.1f}s, server"
            f" {args.outage_kind if args.outage_length else 'kept'}"
            f" {args.outage_length:.0f}s: file {in_file}/{sent} table {rows}/{sent}"
            f" (distinct {distinct}) caught up {catch_up} after {after},"
            f" peak rss {peak:.0f} MB, rows failed for a full spool {spool_full}")
        for line in outage_lines[:6]:
            log("  " + line)
    finally:
        if receiver:
            receiver.stop()
        server.stop()
        if not args.keep:
            shutil.rmtree(folder, ignore_errors=True)


def describe(result):
    def number(value):
        return "-" if value is None else f"{value:.1f}"
    table = "" if result["table"] is None else (
        f" table {result['table']}/{result['sent']} {'ok' if result['table_ok'] else 'LOSS'}"
        f" lag {number(result['table_lag'])}s")
    error = f" errors {result['errors']}: {result['first_error']}" if result["errors"] else ""
    memory = "/".join(number(value) for value in result["memory"])
    stall = result["stall"]
    if stall is not None:
        error += (f" window stall p99 {stall.get('p99_ms', '-')} ms"
                  f" max {stall.get('max_ms', '-')} ms")
    return (f"{result['receiver']:<11} {result['mode']:<10} asked {str(result['asked']):>7}/s"
            f" sent {result['sent']} at {result['rate']:.0f}/s in {result['seconds']:.1f}s:"
            f" file {result['file']}/{result['sent']} {'ok' if result['file_ok'] else 'LOSS'}"
            f" lag {number(result['file_lag'])}s{table}"
            f" cpu receiver {number(result['receiver_cpu'])}s"
            f" mariadb {number(result['database_cpu'])}s rss start/sent/drained {memory} MB"
            f"{error}")


def ommysql_present():
    found = subprocess.run(["dpkg-query", "-L", "rsyslog-mysql"], capture_output=True, text=True)
    return "/ommysql.so" in found.stdout


def climb(args, kind, table, rates, seconds, summary, number, stall=False):
    if table and kind.startswith("rsyslog") and not ommysql_present():
        log(f"{kind}: ommysql (rsyslog-mysql) is missing, so no file+table runs")
        return
    best = {"file": None, "table": None, "both": None}
    lag = {"file": None, "table": None, "both": None}
    for rate in rates:
        number[0] += 1
        result = run_once(args, kind, table, rate, seconds, number[0], stall)
        log(describe(result))
        outcomes = {"file": result["file_ok"]}
        if table:
            outcomes["table"] = result["table_ok"]
            outcomes["both"] = result["file_ok"] and result["table_ok"]
        for key, whole in outcomes.items():
            if whole:
                best[key] = result["rate"]
                lag[key] = (result["file_lag"] if key == "file" else result["table_lag"]
                            if key == "table" else max(result["file_lag"], result["table_lag"]))
        if not any(outcomes.values()):
            break
    mode = "file+stalled" if stall else "file+table" if table else "file"
    summary.append((kind, mode, seconds, best, lag))


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--installation", required=True, help="installed TrevalonService")
    parser.add_argument("--sender", required=True, help="the udp_rate_sender program")
    parser.add_argument("--manager", help="the manager_bench_host program, for --receivers manager")
    parser.add_argument("--work", default=tempfile.gettempdir(), help="folder for run folders")
    parser.add_argument("--receivers", default="trevalon,rsyslog,rsyslog-4m",
                        help="trevalon, manager, rsyslog (kernel default buffer), rsyslog-<size>")
    parser.add_argument("--modes", default="file,file+table",
                        help="file, file+table, file+stalled-table (the table's server holds"
                             " every insert for the whole send), outage (trevalon only, file"
                             " plus table on a server of its own stopped in the middle)")
    parser.add_argument("--outage-rate", type=float, default=20000)
    parser.add_argument("--outage-seconds", type=float, default=60)
    parser.add_argument("--outage-kind", choices=("stop", "stall"), default="stop",
                        help="stop the server, or let it answer but hold every insert (the"
                             " global read lock)")
    parser.add_argument("--outage-length", type=float, default=20,
                        help="seconds the server is stopped, in the middle of the send; 0: it"
                             " keeps running, the plain file plus table case on a server of its"
                             " own")
    parser.add_argument("--file-rates", default="25000,50000,75000,100000,125000,150000,0",
                        help="rates per second to climb for file only; 0 = the sender's limit")
    parser.add_argument("--table-rates", default="5000,10000,15000,20000,30000,40000,60000")
    parser.add_argument("--file-seconds", type=float, default=10)
    parser.add_argument("--table-seconds", type=float, default=30)
    parser.add_argument("--max-count", type=int, default=1500000,
                        help="messages sent at the sender's limit")
    parser.add_argument("--drain", type=float, default=300,
                        help="longest wait for the last message after the last send")
    parser.add_argument("--quiet", type=float, default=15,
                        help="a run ends when nothing arrived for this long")
    parser.add_argument("--keep", action="store_true", help="keep the run folders")
    args = parser.parse_args()
    args.work = os.path.abspath(args.work)

    modes = args.modes.split(",")
    if "file+table" in modes or "file+stalled-table" in modes:
        prepare_rsyslog_database()
    log(f"reception benchmark {datetime.datetime.now():%Y-%m-%d %H:%M:%S},"
        f" {os.cpu_count()} cores, load {os.getloadavg()[0]:.2f}")
    summary = []
    number = [0]
    try:
        for mode in modes:
            if mode == "outage":
                run_outage(args)
                continue
            stall = mode == "file+stalled-table"
            table = mode == "file+table" or stall
            rates = [float(rate) for rate in
                     (args.table_rates if table else args.file_rates).split(",")]
            seconds = args.table_seconds if table else args.file_seconds
            for kind in args.receivers.split(","):
                climb(args, kind, table, rates, seconds, summary, number, stall)
    finally:
        if "file+table" in modes or "file+stalled-table" in modes:
            sql(f"drop database if exists {RSYSLOG_DATABASE}")

    log(f"\nfinished {datetime.datetime.now():%Y-%m-%d %H:%M:%S}, load {os.getloadavg()[0]:.2f}")
    log("highest lossless rate (msg/s) and the lag after the last send at that rate:")
    log(f"{'receiver':<11} {'mode':<10} {'seconds':>7} {'file':>16} {'table':>16} {'both':>16}")
    for kind, mode, seconds, best, lag in summary:
        def cell(key):
            if best[key] is None:
                return "-" if mode == "file" and key != "file" else "none"
            return f"{best[key]:.0f} ({lag[key]:.1f}s)"
        log(f"{kind:<11} {mode:<10} {seconds:>7.0f} {cell('file'):>16} {cell('table'):>16}"
            f" {cell('both'):>16}")
    return 0


if __name__ == "__main__":
    sys.exit(main())

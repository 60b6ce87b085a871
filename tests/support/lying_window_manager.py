#!/usr/bin/env python3
"""A window manager's IPC socket (the i3 protocol, as sway speaks it) that
lies, for the tests of what Pausalo believes of its replies.

    lying_window_manager.py SOCKET MODE [PID TITLE]

Listens on SOCKET, prints 'ready', serves one client and prints a line for
each thing that happens: 'request TYPE' for each request, 'command TEXT' for
each command, 'hangup BYTES' once the client hangs up (BYTES: what it was
sent). MODE is how it answers a request for the tree:

    honest      a tree holding the window of PID and TITLE; commands succeed
    huge        a reply announcing 2 GiB, then 64 MiB of payload
    events      50 events, never the reply
    duplicates  two empty trees
    flood       2,000 empty trees
"""
import os
import socket
import struct
import sys

MAGIC = b"i3-ipc"
RUN_COMMAND, GET_TREE = 0, 4
EVENT = 0x80000000


def message(kind, payload=b""):
    return MAGIC + struct.pack("=II", len(payload), kind) + payload


def receive(connection, size):
    data = b""
    while len(data) < size:
        part = connection.recv(size - len(data))
        if not part:
            return None
        data += part
    return data


def answers(mode, kind, payload, pid, title):
    """What the server sends for one request; a list of byte strings."""
    if kind == RUN_COMMAND:
        return [message(RUN_COMMAND, b'[{"success":true}]')]
    if mode == "honest":
        tree = '{"id":1,"nodes":[{"id":7,"pid":%d,"name":"%s","window":null}],"floating_nodes":[]}' % (pid, title)
        return [message(GET_TREE, tree.encode())]
    if mode == "huge":
        return [MAGIC + struct.pack("=II", 0x7FFFFFFF, GET_TREE)] + [b"x" * (1 << 20)] * 64
    if mode == "events":
        return [message(EVENT | 3, b'{"change":"focus"}')] * 50
    if mode == "duplicates":
        return [message(GET_TREE, b"{}")] * 2
    if mode == "flood":
        return [message(GET_TREE, b"{}")] * 2000
    sys.exit(f"unknown mode {mode}")


def main():
    path, mode = sys.argv[1], sys.argv[2]
    pid = int(sys.argv[3]) if len(sys.argv) > 3 else 0
    title = sys.argv[4] if len(sys.argv) > 4 else ""
    if os.path.exists(path):
        os.unlink(path)
    server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    server.bind(path)
    server.listen(1)
    print("ready", flush=True)
    connection, _ = server.accept()
    sent = 0
    try:
        while True:
            header = receive(connection, len(MAGIC) + 8)
            if header is None:
                break
            length, kind = struct.unpack("=II", header[len(MAGIC):])
            payload = receive(connection, length) if length else b""
            if payload is None:
                break
            print(f"request {kind}", flush=True)
            if kind == RUN_COMMAND:
                print(f"command {payload.decode(errors='replace')}", flush=True)
            for part in answers(mode, kind, payload, pid, title):
                connection.sendall(part)
                sent += len(part)
    except OSError:
        pass
    print(f"hangup {sent}", flush=True)


if __name__ == "__main__":
    main()

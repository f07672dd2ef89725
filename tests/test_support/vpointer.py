#!/usr/bin/env python3
"""Pointer input for a wlroots compositor whose seat has no devices
(zwlr_virtual_pointer_v1), speaking the Wayland wire protocol itself. Needs
WAYLAND_DISPLAY and XDG_RUNTIME_DIR.

Usage: vpointer.py WIDTH HEIGHT ACTION...  (move:X:Y click:left|right scroll:NOTCHES)
"""
import os, socket, struct, sys, time

BUTTONS = {"left": 0x110, "right": 0x111}

sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
sock.connect(os.path.join(os.environ["XDG_RUNTIME_DIR"], os.environ.get("WAYLAND_DISPLAY", "wayland-0")))
ids = iter(range(2, 1 << 20))
buf = b""


def send(obj, op, payload=b""):
    sock.sendall(struct.pack("<II", obj, ((8 + len(payload)) << 16) | op) + payload)


def roundtrip():
    """Sends wl_display.sync and reads events until it is done; returns the globals seen."""
    global buf
    callback, found = next(ids), {}
    send(1, 0, struct.pack("<I", callback))
    while True:
        while len(buf) < 8 or len(buf) < struct.unpack_from("<I", buf, 4)[0] >> 16:
            data = sock.recv(65536)
            if not data:
                sys.exit("the compositor closed the connection")
            buf += data
        obj, size_op = struct.unpack_from("<II", buf)
        body, buf = buf[8:size_op >> 16], buf[size_op >> 16:]
        if obj == 1 and size_op & 0xFFFF == 0:
            sys.exit("wayland error: %r" % body)
        if obj == REGISTRY and size_op & 0xFFFF == 0:
            name, length = struct.unpack_from("<II", body)
            found[body[8:8 + length - 1].decode()] = name
        if obj == callback:
            return found


def bind(interface, version):
    oid, name = next(ids), interface.encode() + b"\0"
    send(REGISTRY, 0, struct.pack("<II", globals_[interface], len(name)) + name
         + b"\0" * (-len(name) % 4) + struct.pack("<II", version, oid))
    return oid


ms = lambda: int(time.monotonic() * 1000) & 0xFFFFFFFF


REGISTRY = next(ids)
send(1, 1, struct.pack("<I", REGISTRY))
globals_ = roundtrip()
width, height, actions = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3:]
manager = bind("zwlr_virtual_pointer_manager_v1", 1)
pointer = next(ids)  # new ids must come in order
send(manager, 0, struct.pack("<II", 0, pointer))
roundtrip()
time.sleep(0.3)  # clients bind wl_pointer once the seat has it

for action in actions:
    kind, *args = action.split(":")
    if kind == "move":
        send(pointer, 1, struct.pack("<IIIII", ms(), int(args[0]), int(args[1]), width, height))
        send(pointer, 4)
    elif kind == "click":
        for state in (1, 0):  # down, then up, each seen by the compositor
            send(pointer, 2, struct.pack("<III", ms(), BUTTONS[args[0]], state))
            send(pointer, 4)
            roundtrip()
            time.sleep(0.05)
    elif kind == "scroll":  # notches of the wheel, positive is down
        notches = int(args[0])
        send(pointer, 5, struct.pack("<I", 0))  # axis_source: wheel
        send(pointer, 7, struct.pack("<IIii", ms(), 0, notches * 10 * 256, notches))
        send(pointer, 4)
    roundtrip()
send(pointer, 8)
roundtrip()

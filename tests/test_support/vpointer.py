#!/usr/bin/env python3
"""Pointer and keyboard input for a wlroots compositor whose seat has no
devices (zwlr_virtual_pointer_v1, zwp_virtual_keyboard_v1), speaking the
Wayland wire protocol itself. Needs WAYLAND_DISPLAY and XDG_RUNTIME_DIR.

Usage: vpointer.py WIDTH HEIGHT ACTION...  (move:X:Y click:left|right scroll:NOTCHES key:escape)
"""
import array, os, socket, struct, sys, tempfile, time

BUTTONS = {"left": 0x110, "right": 0x111}
KEYS = {"escape": 1}  # evdev codes; the keymap's keycodes are 8 higher
KEYMAP = b"""xkb_keymap {
xkb_keycodes "k" { minimum = 8; maximum = 255; <ESC> = 9; };
xkb_types "t" { include "complete" };
xkb_compatibility "c" { include "complete" };
xkb_symbols "s" { key <ESC> { [ Escape ] }; };
};\0"""

sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
sock.connect(os.path.join(os.environ["XDG_RUNTIME_DIR"], os.environ.get("WAYLAND_DISPLAY", "wayland-0")))
ids = iter(range(2, 1 << 20))
buf = b""


def send(obj, op, payload=b"", fd=None):
    message = struct.pack("<II", obj, ((8 + len(payload)) << 16) | op) + payload
    ancillary = [(socket.SOL_SOCKET, socket.SCM_RIGHTS, array.array("i", [fd]))] if fd is not None else []
    sock.sendmsg([message], ancillary)


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


def press(send_state):
    """A button or key down, then up, each seen by the compositor."""
    for state in (1, 0):
        send_state(state)
        roundtrip()
        time.sleep(0.05)


REGISTRY = next(ids)
send(1, 1, struct.pack("<I", REGISTRY))
globals_ = roundtrip()
width, height, actions = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3:]
manager = bind("zwlr_virtual_pointer_manager_v1", 1)
pointer = next(ids)  # new ids must come in order
send(manager, 0, struct.pack("<II", 0, pointer))
keyboard = None
if any(a.startswith("key:") for a in actions):
    manager, seat = bind("zwp_virtual_keyboard_manager_v1", 1), bind("wl_seat", 1)
    keyboard = next(ids)
    send(manager, 0, struct.pack("<II", seat, keyboard))
    with tempfile.TemporaryFile() as keymap:
        keymap.write(KEYMAP)
        keymap.flush()
        send(keyboard, 0, struct.pack("<II", 1, len(KEYMAP)), keymap.fileno())
        roundtrip()
roundtrip()
time.sleep(0.3)  # clients bind wl_pointer/wl_keyboard once the seat has them

for action in actions:
    kind, *args = action.split(":")
    if kind == "move":
        send(pointer, 1, struct.pack("<IIIII", ms(), int(args[0]), int(args[1]), width, height))
        send(pointer, 4)
    elif kind == "click":
        press(lambda state: (send(pointer, 2, struct.pack("<III", ms(), BUTTONS[args[0]], state)),
                             send(pointer, 4)))
    elif kind == "scroll":  # notches of the wheel, positive is down
        notches = int(args[0])
        send(pointer, 5, struct.pack("<I", 0))  # axis_source: wheel
        send(pointer, 7, struct.pack("<IIii", ms(), 0, notches * 10 * 256, notches))
        send(pointer, 4)
    elif kind == "key":
        press(lambda state: send(keyboard, 1, struct.pack("<III", ms(), KEYS[args[0]], state)))
    roundtrip()
send(pointer, 8)
if keyboard:
    send(keyboard, 3)
roundtrip()

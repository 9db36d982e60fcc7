#!/usr/bin/python3
"""A device that keeps asking for its address by BootP, written apart from the utility's
code, for the tests that take the server's interface away and give it back.

usage: bootp_asker.py --dev IF --mac 024B7E0A1B2C [--interval-ms 200] [--max-seconds 90]

Every interval it broadcasts one request out of IF (255.255.255.255:67 from port 68) and
prints one line per reply of the server, flushed:
    reply N yiaddr A.B.C.D siaddr A.B.C.D
Each request has its own socket, so that the interface may be deleted and made again
under it; a send that fails (the interface is gone) is skipped. Bounded by --max-seconds.
Run it only inside a network namespace the test made.
"""
import argparse
import socket
import struct
import sys
import time


def request(xid, mac):
    message = bytearray(300)
    message[0:4] = bytes([1, 1, 6, 0])
    message[4:8] = struct.pack("!I", xid)
    message[28:34] = mac
    message[236:240] = bytes([99, 130, 83, 99])
    message[240] = 255
    return bytes(message)


def ask(dev, xid, mac, wait_s):
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    try:
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_BINDTODEVICE, dev.encode())
        sock.bind(("0.0.0.0", 68))
        sock.sendto(request(xid, mac), ("255.255.255.255", 67))
        deadline = time.monotonic() + wait_s
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            sock.settimeout(left)
            data = sock.recv(1500)
            if len(data) >= 34 and data[0] == 2 and data[4:8] == struct.pack("!I", xid):
                return data
    except OSError:
        return None
    finally:
        sock.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dev", required=True)
    parser.add_argument("--mac", required=True)
    parser.add_argument("--interval-ms", type=int, default=200)
    parser.add_argument("--max-seconds", type=float, default=90)
    args = parser.parse_args()
    mac = bytes.fromhex(args.mac)
    end = time.monotonic() + args.max_seconds
    xid = 0x7A000000
    while time.monotonic() < end:
        xid += 1
        started = time.monotonic()
        reply = ask(args.dev, xid, mac, args.interval_ms / 1000.0)
        if reply is not None:
            print("reply %d yiaddr %s siaddr %s" % (xid & 0xFFFFFF, socket.inet_ntoa(reply[16:20]),
                                                    socket.inet_ntoa(reply[20:24])), flush=True)
        rest = args.interval_ms / 1000.0 - (time.monotonic() - started)
        if rest > 0:
            time.sleep(rest)
    return 0


if __name__ == "__main__":
    sys.exit(main())

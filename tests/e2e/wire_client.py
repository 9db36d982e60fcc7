#!/usr/bin/python3
"""A client that knows only the datagram tables of the device port, written apart from the
utility's code, exercising a running tavo-sim on loopback.

usage: wire_client.py --port P --device IP,MAC --device IP,MAC
Exits 0 when every check holds, 1 with the failed checks on stdout otherwise.
Every wait is bounded by a socket time-out; nothing leaves loopback.
"""
import argparse
import socket
import sys

BROADCAST = "127.255.255.255"
TIMEOUT_S = 5.0
SECTOR = 256
ERASED = b"\xff" * SECTOR

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


class Client:
    def __init__(self, port):
        self.port = port
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
        self.sock.settimeout(TIMEOUT_S)
        self.sock.bind(("127.0.0.1", 0))

    def send(self, data, ip):
        self.sock.sendto(data, (ip, self.port))

    def ask(self, data, ip):
        self.send(data, ip)
        try:
            reply, sender = self.sock.recvfrom(2048)
            return reply, sender
        except socket.timeout:
            return None, None


def search(mac):
    return (b"\x35" + mac).ljust(60, b"\x00")


def sector_cmd(code, number, data=b""):
    return bytes([code, (number >> 8) & 0xFF, number & 0xFF]) + data


def pattern(seed):
    return bytes((i * 13 + seed) & 0xFF for i in range(SECTOR))


def check_search(client, devices):
    for ip, mac in devices:
        reply, sender = client.ask(search(mac), BROADCAST)
        check(reply == b"\x35" + mac + socket.inet_aton(ip), "search reply of %s: %r" % (ip, reply))
        check(sender is not None and sender[0] == ip, "search reply of %s comes from %r" % (ip, sender))
    # A search for an unknown MAC is unanswered: the next reply belongs to the next search.
    ip, mac = devices[0]
    client.send(search(bytes.fromhex("024b7effffff")), BROADCAST)
    reply, _ = client.ask(search(mac), BROADCAST)
    check(reply is not None and reply[1:7] == mac, "reply after an unknown search: %r" % (reply,))


def check_sectors(client, ip):
    for number in (0, 1, 255, 256, 2047):
        data = pattern(number)
        client.send(sector_cmd(0x40, number, data), ip)
        reply, _ = client.ask(sector_cmd(0x50, number), ip)
        check(reply == b"\x50" + data, "sector %d round trip" % number)
    reply, _ = client.ask(sector_cmd(0x50, 2), ip)
    check(reply == b"\x50" + ERASED, "untouched sector 2 reads erased")
    # A short last upload block stores what it carries.
    client.send(sector_cmd(0x40, 3, b"tail"), ip)
    reply, _ = client.ask(sector_cmd(0x50, 3), ip)
    check(reply == b"\x50" + b"tail" + ERASED[4:], "short block in sector 3")
    # Sector 2048 is outside the flash: unanswered.
    client.send(sector_cmd(0x50, 2048), ip)
    reply, _ = client.ask(sector_cmd(0x50, 0), ip)
    check(reply == b"\x50" + pattern(0), "reply after an out-of-range read")


def check_registers(client, ip):
    writes = {0x10: 0x01, 0x80: 0xA5, 0xFF: 0x7E}
    for reg, value in writes.items():
        client.send(bytes([0x20, reg, value]), ip)
    for reg, value in list(writes.items()) + [(0x11, 0x00)]:
        reply, _ = client.ask(bytes([0x30, reg]), ip)
        check(reply == bytes([0x30, value]), "register 0x%02x reads %r" % (reg, reply))
    table = bytearray(241)
    table[0] = 0x10
    for reg, value in writes.items():
        table[1 + reg - 0x10] = value
    reply, _ = client.ask(b"\x10", ip)
    check(reply == bytes(table), "register table")


def check_malformed(client, ip, mac):
    for junk in (b"", b"\x50", b"\x50\x00", b"\x30", b"\x20\x10", b"\x40", b"\x35\x02\x4b", b"\x99" * 1400):
        client.send(junk, ip)
    reply, _ = client.ask(bytes([0x30, 0x10]), ip)
    check(reply == bytes([0x30, 0x01]), "still answering after malformed datagrams: %r" % (reply,))
    reply, _ = client.ask(search(mac), BROADCAST)
    check(reply is not None and reply[1:7] == mac, "search after malformed datagrams")


def check_clear(client, devices):
    (ip_a, mac_a), (ip_b, mac_b) = devices[0], devices[1]
    # The search follows the clear on the same address, so the device takes them in order.
    client.send(b"\x36", ip_a)
    client.send(search(mac_a), ip_a)
    reply, _ = client.ask(search(mac_b), ip_b)
    check(reply is not None and reply[1:7] == mac_b, "a cleared device stays silent: %r" % (reply,))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--device", action="append", required=True, help="IP,MAC (12 hex digits)")
    args = parser.parse_args()
    devices = []
    for pair in args.device:
        ip, mac = pair.split(",")
        devices.append((ip, bytes.fromhex(mac)))
    if len(devices) < 2:
        parser.error("two devices are needed")
    client = Client(args.port)
    check_search(client, devices)
    check_sectors(client, devices[0][0])
    check_registers(client, devices[0][0])
    check_malformed(client, devices[0][0], devices[0][1])
    check_clear(client, devices)
    print("ok" if not failures else "%d checks failed" % len(failures))
    return 0 if not failures else 1


if __name__ == "__main__":
    sys.exit(main())

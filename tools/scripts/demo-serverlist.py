#!/usr/bin/env python3
"""Writes a demo Server.dat: "kv", 0, then one record per server (address,
port, ping, flags, 19 reserved bytes, host name, server name, game name).

Usage: demo-serverlist.py OUT [COUNT]
       demo-serverlist.py OUT --loopback FIRST_PORT COUNT
The second form lists COUNT servers on 127.0.0.1 from FIRST_PORT on, with
no names yet: what they show comes from a refresh.
"""
import struct
import sys

NAMES = ['Gridhall Frag Pit', 'Brakkon CTF Arena', 'Tessaly Railgun Only', 'Ovrim Rocket Arena',
         'Holmdrey Clan Server', 'Midnight Deathmatch', 'Lowgrav Madness', 'Q2 Veterans Club',
         'Instagib Nights', 'Strogg Hunters', 'Capture The Base', 'Old School DM']
GAMES = ['baseq2', 'ctf', 'baseq2', 'arena', 'lmctf', 'baseq2', 'rocket', 'baseq2', 'ctf', 'baseq2',
         'ctf', '']


def record(ip, port, ping, flags, host, name, game):
    head = bytes(ip) + struct.pack('<HHB', port, ping, flags) + bytes(19)
    return head + b''.join(t.encode('latin-1') + b'\0' for t in (host, name, game))


def main():
    out = sys.argv[1]
    if len(sys.argv) == 5 and sys.argv[2] == '--loopback':
        first, count = int(sys.argv[3]), int(sys.argv[4])
        data = bytearray(b'kv\0')
        for i in range(count):
            data += record((127, 0, 0, 1), first + i, 0xFFFF, 0, '', '', '')
        with open(out, 'wb') as f:
            f.write(data)
        return
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 40
    data = bytearray(b'kv\0')
    for i in range(count):
        name = NAMES[i % len(NAMES)] + ('' if i < len(NAMES) else ' #%d' % (i // len(NAMES) + 1))
        ping = 0xFFFF if i % 9 == 8 else 20 + (i * 37) % 230
        flags = 0x02 if i % 5 == 1 else 0
        host = 'q2-%d.example.net' % i if i % 3 == 0 else ''
        data += record((192, 0, 2, 1 + i % 250), 27910 + (i % 4 == 3), ping, flags, host, name,
                       GAMES[i % len(GAMES)])
    with open(out, 'wb') as f:
        f.write(data)


if __name__ == '__main__':
    main()

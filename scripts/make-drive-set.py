#!/usr/bin/env python3
"""A simulated set of N SATA drives of the maker, each with a full 512-byte
SMART block, serial numbers VM00000000, VM00000001, ... Usage: make-drive-set.py N"""
import sys
n = int(sys.argv[1])
block = bytearray(512); block[0] = 0x10
for k, (ident, raw) in enumerate([(9, 1234), (12, 321), (173, (210 << 16) | 150), (194, 35), (241, 4567000)]):
    e = 2 + 12 * k
    block[e] = ident; block[e + 1] = 0x32; block[e + 3] = block[e + 4] = 100
    block[e + 5:e + 9] = raw.to_bytes(4, "little")
hexed = " ".join(block[i:i + 16].hex() for i in range(0, 512, 16))
print("[os]\nVersion=10.0.19045")
for i in range(n):
    print(f"[disk]\nIndex={i}\nDeviceID=\\\\.\\PHYSICALDRIVE{i}\nPNPDeviceID=SCSI\\DISK&VEN_VELMORA&PROD_R730\\4&{i:08X}&0&000000")
    print(f"Model=VELMORA R730 SSD\nSerialNumber=VM{i:08d}\nFirmwareRevision=Q5RT2B1\nSize=256060514304\nBusType=11")
    print(f"ProductId=VELMORA R730 SSD\nProductRevision=Q5RT2B1\nDescriptorSerial=VM{i:08d}\nActive=1\nPredictFailure=0")
    print(f"VendorSpecific={hexed}")

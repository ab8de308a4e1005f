#!/usr/bin/env python3
"""make_seeds.py - writes the seed inputs of the kit tools' fuzz targets into seeds/:
kit_check: kits as one input (the script, then files after "@@@ <name>" lines), the sample
kit among them; setup_payload: one-file setups as bramlow-kit lays them out (a program with a
version resource, a ZIP whose comment holds the empty folders and the trailer), whole and cut."""
import io
import os
import struct
import sys
import zipfile
import zlib

here = os.path.dirname(os.path.abspath(__file__))
top = os.path.abspath(os.path.join(here, '..', '..', '..'))
kit_src = os.path.join(top, 'samples', 'kit-src')


def write(target, name, data):
    folder = os.path.join(here, 'seeds', target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)


def kit(files):
    out = files[0][1]
    for name, data in files[1:]:
        out += b'\n@@@ ' + name.encode() + b'\n' + data
    return out


def read(name):
    with open(os.path.join(kit_src, name), 'rb') as f:
        return f.read()


# ---- kit_check
sample = [('setup.qx1', read('setup.qx1')), ('English.qxl', read('English.qxl')),
          ('Russian.qxl', read('Russian.qxl')), ('setup.rtf', read('setup.rtf')),
          ('bramlow.exe', b'MZ'), ('setup.dat', b'MZ'), ('setup.bmp', b'BM'),
          ('app\\readme.txt', b'read me'), ('app\\docs\\guide.txt', b'guide')]
write('kit_check', 'sample', kit(sample))
faulty = (b'[setup1]\r\nAppName=Tool\r\nDestFolder=Program Files\\Tool\r\nSourceFolder=%Installer%app\\\r\n'
          b'OthCount=3\r\nRegCount=2\r\nLnkCount=1\r\n[Oth1]\r\nDset=%Progams%\\x\r\nSource="%Installer%x"\r\nOcx=yes\r\n'
          b'[Reg1]\r\nRoot=HKEY_LOCAL_MACHIN\r\nType=1\r\nData=12a\r\n[Reg2]\r\nType=5\r\n[Reg3]\r\n'
          b'[Lnk1]\r\nLinkName=%Programs%\\A\\B\\x.lnk\r\n[oth1]\r\n[Exe01]\r\n[un_exe]\r\nCount=2\r\nexe1=\r\n'
          b'[kit]\r\nVersion=1.x\r\n[Oth2\r\nlonely line\r\n=nameless\r\n')
write('kit_check', 'faulty', kit([('setup.qx1', faulty),
                                  ('English.qxl', b'[language]\r\n4=%s and %s\r\n20=Copying %d\r\n12=100%\r\n')]))
utf16 = '[language]\r\n1=Назад\r\n4=Добро пожаловать в %s\r\n'.encode('utf-16')
write('kit_check', 'unicode', kit([('setup.qx1', b'\xef\xbb\xbf[setup1]\rAppName=X\r[logo]\nNoLogo=1'),
                                   ('Deutsch.qxl', utf16)]))


# ---- setup_payload
def stub(room=512):
    b = bytearray(0x200 + 0x58 + room)
    b[0:2] = b'MZ'
    struct.pack_into('<I', b, 60, 64)
    b[64:68] = b'PE\0\0'
    struct.pack_into('<HH', b, 68, 0x14C, 1)
    struct.pack_into('<H', b, 84, 224)
    struct.pack_into('<H', b, 88, 0x10B)
    struct.pack_into('<II', b, 88 + 96 + 16, 0x1000, 0x58 + room)
    s = 88 + 224
    b[s:s + 5] = b'.rsrc'
    struct.pack_into('<IIII', b, s + 8, 0x58 + room, 0x1000, 0x58 + room, 0x200)
    r = 0x200
    struct.pack_into('<H', b, r + 14, 1)
    struct.pack_into('<II', b, r + 16, 16, 0x80000018)
    struct.pack_into('<H', b, r + 0x18 + 14, 1)
    struct.pack_into('<II', b, r + 0x18 + 16, 1, 0x80000030)
    struct.pack_into('<H', b, r + 0x30 + 14, 1)
    struct.pack_into('<II', b, r + 0x30 + 16, 0x409, 0x48)
    struct.pack_into('<II', b, r + 0x48, 0x1000 + 0x58, room)
    return bytes(b)


def setup(files, folders):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, 'w', zipfile.ZIP_DEFLATED) as z:
        for name, data in files:
            z.writestr(zipfile.ZipInfo(name, (2024, 1, 1, 0, 0, 0)), data, zipfile.ZIP_DEFLATED)
    archive = buf.getvalue()
    front = stub()
    folder_list = b''.join(f.encode() + b'\n' for f in folders)
    comment = len(folder_list) + 64
    archive = archive[:-2] + struct.pack('<H', comment)
    crc = zlib.crc32(archive + folder_list) & 0xFFFFFFFF
    trailer = b'BRAMLOWKIT1 %016X %016X %08X %08X\n' % (len(front), len(archive), len(folder_list), crc)
    assert len(trailer) == 64
    return front + archive + folder_list + trailer


whole = setup([('bramlow.exe', b'MZ engine'), ('setup.qx1', b'[setup1]\r\nAppName=X\r\n'),
               ('app/readme.txt', b'read me ' * 40)], ['app\\empty'])
write('setup_payload', 'whole', whole)
write('setup_payload', 'cut', whole[:-1000] if len(whole) > 1000 else whole[:-10])
write('setup_payload', 'stub_only', stub())
sys.exit(0)

# Makes the PNGs and the derived JPEGs of bench/hostile/run.sh (see there), in the current folder.
import struct, zlib, re
def chunk(t, d, length=None):
    return struct.pack('>I', len(d) if length is None else length) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
sig = b'\x89PNG\r\n\x1a\n'
ihdr = chunk(b'IHDR', struct.pack('>IIBBBBB', 64, 64, 8, 2, 0, 0, 0))
# 1: 44 bytes, a chunk length of 0x7fffffff
h1 = sig + ihdr + struct.pack('>I', 0x7fffffff) + b'zTXt' + b'a\x00\x00'
assert len(h1) == 44
open('chunk-length.png', 'wb').write(h1)
# 2: a 64x64 image followed by 1 GiB of zero image data in the same stream
z = zlib.compressobj(9)
rows = b''.join(b'\x00' + b''.join(bytes((x * 4 % 256, y * 4 % 256, 77)) for x in range(64)) for y in range(64))
out = [z.compress(rows)]
block = bytes(1 << 20)
for i in range(1024):
    out.append(z.compress(block))
out.append(z.flush())
data = b''.join(out)
open('zero-gib.png', 'wb').write(sig + ihdr + chunk(b'IDAT', data) + chunk(b'IEND', b''))
# 3: the progressive 8192x8192 JPEG with its last scan repeated to 5000 scans
j = open('big-progressive.jpg', 'rb').read()
starts = [m.start() for m in re.finditer(b'\xff\xda', j)]
ends = starts[1:] + [len(j) - 2]
scans = [j[a:b] for a, b in zip(starts, ends)]
small = min(scans, key=len)
print('scans', len(scans), 'smallest', len(small))
i = scans.index(small)
out = j[:ends[i]] + small * (5000 - len(scans)) + j[ends[i]:]
open('5000-scans.jpg', 'wb').write(out)
# 4: a small JPEG whose frame header claims 8192 x 8192
p = open('/usr/share/backgrounds/mate/nature/GreenMeadow.jpg', 'rb').read()

# 4: 2.9 KB: the first 2.9 KB of a real JPEG with 8192 x 8192 in its frame header, then EOI
k = bytearray(p[:2900])
i = k.find(b'\xff\xc0')
if i < 0: i = k.find(b'\xff\xc2')
k[i+5:i+9] = struct.pack('>HH', 8192, 8192)
open('claims-8192.jpg', 'wb').write(bytes(k) + b'\xff\xd9')
# 5: a real JPEG cut in half, EOI appended
q = open('/usr/share/backgrounds/mate/nature/LadyBird.jpg', 'rb').read()
open('half.jpg', 'wb').write(q[:len(q)//2] + b'\xff\xd9')

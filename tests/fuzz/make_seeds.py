#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into corpus/: real saved states (taken from the
factory presets the build wrote, with and without the VST3 wrapper's trailing data) and damaged
ones; WAV and AIFF files of every kind the reader accepts; and byte streams for the process target.
Usage: make_seeds.py BUILD_DIR   (run again only when the seeds should change; they are checked in)"""
import glob, math, os, random, struct, sys

here = os.path.dirname(os.path.abspath(__file__))

def write(kind, name, data):
    folder = os.path.join(here, 'corpus', kind)
    os.makedirs(folder, exist_ok=True)
    open(os.path.join(folder, name), 'wb').write(data)

def blob(text, length=None):
    raw = text.encode('utf-8') if isinstance(text, str) else text
    return b'VC2!' + struct.pack('<i', len(raw) if length is None else length) + raw + b'\0'

def states(build_dir):
    presets = sorted(glob.glob(os.path.join(build_dir, 'presets', '*.vstpreset')))
    blobs = []
    for path in presets:
        data = open(path, 'rb').read()
        start = data.find(b'VC2!')
        n = struct.unpack('<I', data[start + 4:start + 8])[0]
        name = os.path.basename(path)[:-len('.vstpreset')].replace(' ', '-').lower()
        plain = data[start:start + 9 + n]
        blobs.append(plain)
        write('state', 'saved-' + name, plain)
        end = data.find(b'List', start)
        write('state', 'vst3-component-' + name, data[start:end if end > 0 else len(data)])
    a, b = blobs[0], blobs[-1]
    text = a[8:-1].decode()
    write('state', 'cut-header', a[:8])
    write('state', 'cut-mid-text', a[:len(a) // 2])
    write('state', 'cut-before-zero', a[:-1])
    write('state', 'extended-garbage', a + bytes(range(256)))
    write('state', 'length-too-long', a[:4] + struct.pack('<i', 100000) + a[8:])
    write('state', 'length-negative', a[:4] + struct.pack('<i', -7) + a[8:])
    write('state', 'spliced', a[:len(a) // 2] + b[len(b) // 2:])
    write('state', 'spliced-cut-in-utf8', blob(text[:60] + 'é' + text[60:], len(text[:60].encode()) + 1) + b[20:])
    write('state', 'lead-byte-before-ascii', blob(text[:70].encode() + b'\xc3A' + text[70:].encode()))
    write('state', 'lower-case-root', blob(text.replace('PARAMS', 'params')))
    write('state', 'two-params-only', blob('<?xml version="1.0" encoding="UTF-8"?> <PARAMS><PARAM id="FUZZ" value="5"/>'
                                           '<PARAM id="AGE" value="6"/></PARAMS>'))
    write('state', 'bad-numbers', blob(text.replace('value="10.0"', 'value="1e999"').replace('value="0.0"', 'value="nan"')))
    write('state', 'duplicate-params', blob(text.replace('</PARAMS>', '<PARAM id="AGE" value="99"/></PARAMS>')))
    write('state', 'comment-and-cdata', blob(text.replace('<PARAMS>', '<PARAMS><!-- x --><![CDATA[<PARAM>]]>')))

def wav(channels, rate, bits, fmt, frames, extensible=False, extra_chunk=None):
    rng = random.Random(channels * 1000 + bits)
    sample_bytes = bits // 8
    body = bytearray()
    for i in range(frames):
        for ch in range(channels):
            v = math.sin(i * 0.05 * (ch + 1)) * 0.8 + (rng.random() - 0.5) * 0.05
            if fmt == 3:
                body += struct.pack('<f' if bits == 32 else '<d', v)
            elif bits == 8:
                body += struct.pack('<B', int(128 + v * 127))
            elif bits == 24:
                body += struct.pack('<i', int(v * 8388607))[:3]
            else:
                body += struct.pack('<h' if bits == 16 else '<i', int(v * (2 ** (bits - 1) - 1)))
    block = channels * sample_bytes
    if extensible:
        guid = struct.pack('<H', fmt) + b'\x00\x00\x00\x00\x10\x00\x80\x00\x00\xaa\x00\x38\x9b\x71'
        fmt_chunk = struct.pack('<HHIIHHHHI', 0xfffe, channels, rate, rate * block, block, bits, 22, bits,
                                3 if channels == 2 else 4) + guid
    else:
        fmt_chunk = struct.pack('<HHIIHH', fmt, channels, rate, rate * block, block, bits)
    chunks = b'fmt ' + struct.pack('<I', len(fmt_chunk)) + fmt_chunk
    if extra_chunk:
        chunks += extra_chunk[0] + struct.pack('<I', len(extra_chunk[1])) + extra_chunk[1]
    chunks += b'data' + struct.pack('<I', len(body)) + bytes(body)
    return b'RIFF' + struct.pack('<I', 4 + len(chunks)) + b'WAVE' + chunks

def extended80(rate):
    exponent = int(math.floor(math.log2(rate)))
    mantissa = int(rate / 2 ** exponent * 2 ** 63)
    return struct.pack('>HQ', 16383 + exponent, mantissa)

def aiff(channels, rate, bits, frames, float32=False):
    body = bytearray()
    for i in range(frames):
        for ch in range(channels):
            v = math.sin(i * 0.05 * (ch + 1)) * 0.8
            if float32:
                body += struct.pack('>f', v)
            elif bits == 24:
                body += struct.pack('>i', int(v * 8388607))[1:]
            else:
                body += struct.pack('>h', int(v * 32767))
    comm = struct.pack('>hIh', channels, frames, bits) + extended80(rate)
    kind = b'AIFF'
    if float32:
        kind = b'AIFC'
        comm += b'fl32' + b'\x0cfloat 32-bit\x00'
    chunks = b'COMM' + struct.pack('>I', len(comm)) + comm
    if len(comm) % 2:
        chunks += b'\0'
    ssnd = struct.pack('>II', 0, 0) + bytes(body)
    chunks += b'SSND' + struct.pack('>I', len(ssnd)) + ssnd
    return b'FORM' + struct.pack('>I', 4 + len(chunks)) + kind + chunks

def audio():
    for channels in (1, 2):
        for bits in (8, 16, 24, 32):
            write('audio_file', 'wav-pcm%d-%dch' % (bits, channels), wav(channels, 44100, bits, 1, 300))
        write('audio_file', 'wav-float32-%dch' % channels, wav(channels, 48000, 32, 3, 300))
        write('audio_file', 'wav-float64-%dch' % channels, wav(channels, 96000, 64, 3, 300))
        write('audio_file', 'aiff-16-%dch' % channels, aiff(channels, 44100, 16, 300))
        write('audio_file', 'aiff-24-%dch' % channels, aiff(channels, 48000, 24, 300))
        write('audio_file', 'aifc-float32-%dch' % channels, aiff(channels, 44100, 32, 300, float32=True))
    write('audio_file', 'wav-extensible-pcm24-2ch', wav(2, 48000, 24, 1, 300, extensible=True))
    write('audio_file', 'wav-extensible-float32-2ch', wav(2, 48000, 32, 3, 300, extensible=True))
    write('audio_file', 'wav-bwf-bext', wav(2, 44100, 16, 1, 300, extra_chunk=(b'bext', b'\0' * 602)))
    write('audio_file', 'wav-list-info', wav(1, 22050, 16, 1, 300, extra_chunk=(b'LIST', b'INFOINAM\x06\x00\x00\x00seeds\0')))
    head = wav(2, 44100, 16, 1, 300)
    write('audio_file', 'wav-data-size-claims-more', head[:40] + struct.pack('<I', 0x7ffffff0) + head[44:])
    write('audio_file', 'wav-cut-in-data', head[:200])

def process():
    rng = random.Random(7)
    for i in range(8):
        write('process', 'stream-%d' % i, bytes(rng.randrange(256) for _ in range(64 << i % 5)))

if __name__ == '__main__':
    states(sys.argv[1])
    audio()
    process()

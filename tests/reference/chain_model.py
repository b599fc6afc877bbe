#!/usr/bin/env python3
"""A second, independent model of the TARNGLOAM chain in plain Python, rounding every operation to
single precision in the written order and taking sinf, expf, powf, tanf and tanhf from the same C
library. The built tarngloam-render must match it bit for bit: any change to the sound's arithmetic
(an evaluation order, a constant, a draw order, a compiler flag) shows up here with the first
sample that differs.

Usage: chain_model.py PATH_TO_TARNGLOAM_RENDER
"""
import struct, ctypes, math, sys

_P = struct.Struct('f')
def f(x):
    return _P.unpack(_P.pack(x))[0]

libm = ctypes.CDLL("libm.so.6")
for name in ("sinf", "expf", "powf", "tanf", "tanhf", "sqrtf"):
    fn = getattr(libm, name)
    fn.restype = ctypes.c_float
    fn.argtypes = [ctypes.c_float] * (2 if name == "powf" else 1)
sinf, expf, powf, tanf, tanhf, sqrtf = libm.sinf, libm.expf, libm.powf, libm.tanf, libm.tanhf, libm.sqrtf

TWO_PI = f(6.2831855); PI = f(3.1415927)

def clamp(x, lo, hi):
    return lo if x < lo else min(hi, x)

def next_pow2(v):
    v = (v - 1) & 0xffffffff
    for s in (1, 2, 4, 8, 16):
        v |= v >> s
    return (v + 1) & 0xffffffff

def round_half_away(x):
    return int(math.floor(abs(x) + 0.5)) * (1 if x >= 0 else -1)

class Random:
    def __init__(self, seed): self.seed = seed
    def next_int(self):
        self.seed = (self.seed * 0x5deece66d + 11) & 0xffffffffffff
        v = (self.seed >> 16) & 0xffffffff
        return v
    def next_float(self):
        r = f(f(float(self.next_int())) / f(4294967296.0))
        return min(r, f(1.0 - 2.0**-23))

class Smoothed:
    def __init__(self): self.cur = 0.0; self.target = 0.0; self.countdown = 0; self.steps = 0; self.step = 0.0
    def reset(self, steps): self.steps = steps; self.cur = self.target; self.countdown = 0
    def set_current_and_target(self, v): self.cur = self.target = v; self.countdown = 0
    def set_target(self, v):
        if v == self.target: return  # the controls here never differ by less than JUCE's tolerance
        if self.steps <= 0: self.set_current_and_target(v); return
        self.target = v; self.countdown = self.steps; self.step = f((self.target - self.cur) / f(float(self.countdown)))
    def next(self):
        if self.countdown <= 0: return self.target
        self.countdown -= 1
        if self.countdown > 0: self.cur = f(self.cur + self.step)
        else: self.cur = self.target
        return self.cur
    def skip(self, n):
        if n >= self.countdown: self.set_current_and_target(self.target); return
        self.cur = f(self.cur + f(self.step * f(float(n)))); self.countdown -= n

def wrap(i, n):
    r = int(math.fmod(i, n)) if i >= 0 else -((-i) % n)
    return r + n if r < 0 else r

def hermite(buf, n, idx, t):
    ym1 = buf[wrap(idx - 1, n)]; y0 = buf[wrap(idx, n)]; y1 = buf[wrap(idx + 1, n)]; y2 = buf[wrap(idx + 2, n)]
    c3 = f(f(f(f(y0 * f(1.5)) - f(ym1 * f(0.5))) - f(y1 * f(1.5))) + f(y2 * f(0.5)))
    c2 = f(f(f(ym1 - f(y0 * f(2.5))) + f(y1 + y1)) - f(y2 * f(0.5)))
    c1 = f(f(y1 * f(0.5)) - f(ym1 * f(0.5)))
    return f(f(f(f(f(f(c3 * t) + c2) * t) + c1) * t) + y0)

def read_behind(buf, n, w, d):
    if d < 2.0: return hermite(buf, n, w - 3, f(1.0))
    d = min(d, f(float(n) - 4.0))
    i = int(d)
    return hermite(buf, n, w - i - 1, f(f(1.0) - f(d - f(float(i)))))

def soft_clip(x, th, w):
    a = abs(x)
    if th >= a: return x
    s = f(-1.0) if x < 0 else f(1.0)
    return f(s * f(f(tanhf(f(f(a - th) / w)) * w) + th))

class Svf:
    def __init__(self): self.sr = 44100.0; self.g = f(0.1); self.k = f(1.4); self.a1 = f(1.0); self.s1 = 0.0; self.s2 = 0.0
    def prepare(self, sr): self.sr = sr; self.set(f(20000.0), f(0.707)); self.s1 = self.s2 = 0.0
    def set(self, fc, q):
        fs = f(self.sr)
        fr = f(10.0) if fc < 10.0 else min(f(f(fs * f(0.5)) * f(0.95)), fc)
        self.g = tanf(f(f(fr * PI) / fs)); self.k = f(f(1.0) / max(q, f(0.05)))
        self.a1 = f(f(1.0) / f(f(f(self.k * self.g) + f(1.0)) + f(self.g * self.g)))
    def process(self, x):
        m1 = f(f(f(f(x - f(f(self.g + self.k) * self.s1)) - self.s2) * self.a1) * self.g)
        bp = f(m1 + self.s1); self.s1 = f(bp + m1); m2 = f(bp * self.g); lp = f(m2 + self.s2); self.s2 = f(lp + m2)
        return lp

class Dc:
    def __init__(self): self.R = f(0.999); self.x1 = 0.0; self.y1 = 0.0
    def prepare(self, sr): self.R = f(f(1.0) - f(f(75.398224) / f(sr))); self.x1 = self.y1 = 0.0
    def process(self, x):
        y = f(f(self.R * self.y1) + f(x - self.x1)); self.x1 = x; self.y1 = y; return y

def one_pole_coef(fc, r):
    return f(f(1.0) - expf(f(f(min(f(r * f(0.45)), fc) * f(-6.2831855)) / r)))

class OnePole:
    def __init__(self): self.c = f(0.5); self.s = 0.0
    def process(self, x): self.s = f(f(f(x - self.s) * self.c) + self.s); return self.s

class Bleed:
    rates = [[f(0.093), f(0.127), f(0.171)], [f(0.109), f(0.143), f(0.157)]]
    base = [f(f(9.3) * f(0.001)), f(f(15.1) * f(0.001)), f(f(22.4) * f(0.001))]
    def __init__(self): self.random = Random(60607); self.amount = Smoothed()
    def prepare(self, sr):
        srf = f(sr); self.sr = sr
        self.subPeriod = max(256, round_half_away(sr * 0.11)); self.octavePeriod = max(256, round_half_away(sr * 0.075))
        v = max(3 * self.subPeriod, int(sr * 0.08)); self.L = next_pow2(v); self.mask = self.L - 1
        self.buf = [[0.0] * self.L for _ in range(2)]
        self.dc = [Dc(), Dc()]; self.lp = [Svf(), Svf()]; self.low = [OnePole(), OnePole()]
        for ch in range(2):
            self.dc[ch].prepare(sr); self.lp[ch].prepare(sr); self.lp[ch].set(f(5000.0), f(0.707))
            self.low[ch].c = one_pole_coef(f(60.0), srf); self.low[ch].s = 0.0
        self.hold = max(1, int(sr * 0.07)); self.smooth = f(f(1.0) - expf(f(f(-1.0) / f(srf * f(0.15)))))
        self.amount.reset(int(math.floor(sr * 0.05))); self.amount.set_current_and_target(0.0)
        self.w = 0
        offs = [f(0.0), f(0.37), f(0.74)]
        self.tapPhase = [[f(f(f(f(float(ch)) * f(0.5)) + offs[k]) * TWO_PI) for k in range(3)] for ch in range(2)]
        self.drift = [[0.0] * 3 for _ in range(2)]; self.target = [[0.0] * 3 for _ in range(2)]; self.counter = [[0] * 3 for _ in range(2)]
        self.subPhase = [f(0.0), f(0.5)]; self.octPhase = [f(0.0), f(0.5)]; self.octOff = [0.0, 0.0]
    def read(self, ch, d): return read_behind(self.buf[ch], self.L, self.w, d)
    def process(self, chans, nch, n):
        if n <= 0: return
        nc = min(nch, 2); srf = f(self.sr); step = f(TWO_PI / srf)
        for i in range(n):
            v = self.amount.next(); e = clamp(v, 0.0, f(1.0))
            cm = clamp(f(e / f(0.35)), 0.0, f(1.0)); sm = clamp(f(f(e - f(0.2)) + f(e - f(0.2))), 0.0, f(1.0)); om = clamp(f(f(e - f(0.4)) / f(0.6)), 0.0, f(1.0))
            for ch in range(nc):
                lp = self.lp[ch].process(chans[ch][i]); lo = self.low[ch].process(lp); self.buf[ch][self.w] = f(lp - lo)
            sub = [0.0, 0.0]; octv = [0.0, 0.0]; cho = [0.0, 0.0]
            for h in range(2):
                self.subPhase[h] = f(self.subPhase[h] + f(f(0.5) / f(float(self.subPeriod))))
                if self.subPhase[h] >= 1.0: self.subPhase[h] = f(self.subPhase[h] - f(1.0))
                s = sinf(f(self.subPhase[h] * PI)); w = f(s * s)
                d = f(f(f(float(self.subPeriod)) * self.subPhase[h]) + f(2.0))
                for ch in range(nc): sub[ch] = f(f(self.read(ch, d) * w) + sub[ch])
            for h in range(2):
                self.octPhase[h] = f(self.octPhase[h] - f(f(1.0) / f(float(self.octavePeriod))))
                if self.octPhase[h] < 0.0:
                    self.octPhase[h] = f(self.octPhase[h] + f(1.0))
                    self.octOff[h] = f(f(self.random.next_float() * f(0.35)) * f(float(self.octavePeriod)))
                s = sinf(f(self.octPhase[h] * PI)); w = f(s * s)
                d = f(f(f(f(float(self.octavePeriod)) * self.octPhase[h]) + self.octOff[h]) + f(2.0))
                for ch in range(nc): octv[ch] = f(f(self.read(ch, d) * w) + octv[ch])
            if nc > 0:
                depth = f(f(srf * f(0.008)) * cm)
                for ch in range(nc):
                    taps = [0.0] * 3
                    for k in range(3):
                        p = f(f(step * self.rates[ch][k]) + self.tapPhase[ch][k])
                        if p > TWO_PI: p = f(p - TWO_PI)
                        self.tapPhase[ch][k] = p
                        self.counter[ch][k] += 1
                        if self.counter[ch][k] >= self.hold:
                            self.counter[ch][k] = 0; self.target[ch][k] = self.random.next_float()
                        self.drift[ch][k] = f(f(f(self.target[ch][k] - self.drift[ch][k]) * self.smooth) + self.drift[ch][k])
                        d = f(f(f(f(f(f(sinf(p) * f(0.5)) + f(0.5)) * f(0.5)) + f(self.drift[ch][k] * f(0.5))) * depth) + f(srf * self.base[k]))
                        taps[k] = self.read(ch, d)
                    cho[ch] = f(f(taps[2] + f(taps[1] + f(taps[0] + 0.0))) * f(0.577))
            G = f(sm * f(0.95)); M = f(cm * f(0.8)); L = om
            norm = f(f(f(f(G * G) + f(M * M)) + f(L * L)) * f(0.4)) + 0.0
            norm = f(norm + f(1.0)); gain = f(f(1.0) / sqrtf(norm))
            for ch in range(nc):
                x = chans[ch][i]
                y = f(f(f(f(M * cho[ch]) + x) + f(G * sub[ch])) + f(L * octv[ch]))
                out = self.dc[ch].process(y)
                if v > 0: chans[ch][i] = f(out * gain)
            self.w = (self.w + 1) & self.mask

HB = [f(x) for x in [-0.000025097634, 0.000070301394, -0.00015294283, 0.00029095888, -0.00050718075, 0.0008298576,
      -0.0012931435, 0.0019375903, -0.002810737, 0.0039679552, -0.0054738224, 0.0074044624, -0.009851602,
      0.012929618, -0.016787883, 0.021632833, -0.027768798, 0.03567765, -0.046186443, 0.060859453, -0.08306263,
      0.1215824, -0.20871702, 0.63545173]]
HB = HB + HB[::-1]

def fuzz_curve(ctl):
    a = powf(clamp(ctl, 0.0, f(1.0)), f(0.6))
    c = dict(bias=f(a * f(-0.07)), pre=powf(f(5.0), a), t1=powf(f(0.5), a), inter=powf(f(4.0), a), t2=powf(f(0.35), a), neg=f(f(1.0) - f(a * f(0.4))))
    def S(x):
        u = f(f(x + f(c['bias'] * f(0.5))) * c['pre'])
        t = c['t1']
        if u < 0: t = f(t * c['neg'])
        u = soft_clip(u, t, f(t * f(0.45))); u = f(u * c['inter']); t = c['t2']
        if u < 0: t = f(t * c['neg'])
        return soft_clip(u, t, f(t * f(0.45)))
    peak = 0.0
    for i in range(129):
        x = f(f(f(f(float(i)) + f(float(i))) * f(0.0078125)) - f(1.0))
        peak = max(peak, abs(S(x)))
    si = so = 0.0
    for j in range(256):
        s = f(sinf(f(f(f(float(j)) * TWO_PI) * f(0.00390625))) * f(0.5)); y = S(s)
        si += s * s; so += y * y
    limit = f(f(f(1.0) - f(a * f(0.14))) / max(peak, f(0.0001)))
    ratio = f(math.sqrt(max(so, 1e-20) / max(si, 1e-20)))
    loud = f(f(1.0) / max(ratio, f(0.0001)))
    c['out'] = min(limit, loud)
    return c

class Shaper:
    def __init__(self):
        self.tone = [OnePole(), OnePole()]; self.reset()
    def reset(self):
        for t in self.tone: t.s = 0.0
        self.up = [[0.0] * 48 for _ in range(2)]; self.down = [[0.0] * 49 for _ in range(2)]; self.even = [[0.0] * 25 for _ in range(2)]
        self.ui = [0, 0]; self.di = [0, 0]; self.ei = [0, 0]
    def shape(self, ch, x, c, bias):
        u = f(f(x + bias) * c['pre']); t = c['t1']
        if u < 0: t = f(t * c['neg'])
        u = soft_clip(u, t, f(t * f(0.45)))
        u = self.tone[ch].process(u)
        u = f(u * c['inter']); t = c['t2']
        if u < 0: t = f(t * c['neg'])
        u = soft_clip(u, t, f(t * f(0.45)))
        return f(u * c['out'])
    def process(self, ch, x, c, bias):
        self.ui[ch] = (self.ui[ch] + 47) % 48; self.up[ch][self.ui[ch]] = x
        H = lambda j: self.up[ch][(self.ui[ch] + j) % 48]
        odd = 0.0
        for j in range(48): odd = f(odd + f(HB[j] * H(j)))
        even = H(24)
        ye = self.shape(ch, even, c, bias); yo = self.shape(ch, odd, c, bias)
        self.ei[ch] = (self.ei[ch] + 24) % 25; self.even[ch][self.ei[ch]] = ye
        self.di[ch] = (self.di[ch] + 48) % 49; self.down[ch][self.di[ch]] = yo
        s = self.even[ch][(self.ei[ch] + 24) % 25]
        for j in range(1, 49): s = f(s + f(HB[j - 1] * self.down[ch][(self.di[ch] + j) % 49]))
        return f(s * f(0.5))

class Fuzz:
    def __init__(self): self.amount = Smoothed(); self.shaper = Shaper()
    def prepare(self, sr):
        self.sr = sr; srf = f(sr); sr2f = f(sr + sr)
        for t in self.shaper.tone: t.c = one_pole_coef(f(4500.0), sr2f)
        self.shaper.reset(); self.dc = [Dc(), Dc()]
        for d in self.dc: d.prepare(sr)
        self.hold = max(1, int(sr * 0.025)); self.release = expf(f(f(-1.0) / f(srf * f(0.2)))); self.env = 0.0; self.hc = 0
        self.tf = [[Svf(), Svf()], [Svf(), Svf()]]
        for p in self.tf:
            for s in p: s.prepare(sr)
        self.amount.reset(int(math.floor(sr * 0.03))); self.amount.set_current_and_target(0.0)
        self.dry = [[0.0] * 49 for _ in range(2)]; self.di = 0; self.prev = 0.0
    def process(self, chans, nch, n):
        if n < 1: return
        nc = min(nch, 2)
        ctl = self.amount.next(); self.amount.skip(n - 1)
        c = fuzz_curve(ctl)
        cutoff = f(powf(f(0.125), ctl) * f(20000.0))
        for p in self.tf:
            for s in p: s.set(cutoff, f(0.707))
        target = clamp(f(ctl / f(0.08)), 0.0, f(1.0)); step = f(f(target - self.prev) / f(float(n)))
        for i in range(n):
            mix = f(f(f(float(i + 1)) * step) + self.prev)
            peak = 0.0
            for ch in range(nc): peak = max(peak, abs(chans[ch][i]))
            if peak >= self.env: self.env = peak; self.hc = self.hold
            elif self.hc > 0: self.hc -= 1
            else: self.env = f(self.env * self.release)
            bias = f(c['bias'] * self.env)
            for ch in range(nc):
                x = chans[ch][i]; self.dry[ch][self.di] = x; dl = self.dry[ch][(self.di + 1) % 49]
                y = self.tf[ch][1].process(self.tf[ch][0].process(x))
                y = self.shaper.process(ch, y, c, bias)
                y = self.dc[ch].process(y); y = soft_clip(y, f(0.88), f(0.1))
                chans[ch][i] = f(f(f(y - dl) * mix) + dl)
            self.di = (self.di + 1) % 49
        self.prev = target

class Grain:
    fr = [f(0.5), f(0.375), f(0.25), f(0.1875), f(0.125), f(0.08333), f(0.0625)]
    def __init__(self): self.random = Random(4711); self.amount = Smoothed(); self.sr = 44100.0
    def min_grain(self): return max(64, int(0.007 * self.sr))
    def prepare(self, sr):
        srf = f(sr); self.sr = sr
        self.maxG = max(256, round_half_away(0.32 * sr)); self.size = next_pow2(3 * self.maxG); self.mask = self.size - 1
        self.buf = [[0.0] * self.size for _ in range(2)]
        self.lp = [OnePole(), OnePole()]; self.dc = [Dc(), Dc()]
        for ch in range(2): self.lp[ch].c = one_pole_coef(f(8000.0), srf); self.dc[ch].prepare(sr)
        self.beat = clamp(f(f(0.5) * srf), f(f(0.05) * srf), f(f(4.0) * srf))
        self.set_amount(0.0)
        self.amount.reset(int(math.floor(0.05 * sr))); self.amount.set_current_and_target(0.0)
        self.w = 0; self.ph = [f(0.0), f(0.5), f(0.0), f(0.5)]; self.off = [0.0] * 4
    def set_amount(self, value):
        self.control = clamp(value, 0.0, f(1.0)); self.amount.set_target(self.control)
        idx = min(6, max(0, int(f(f(self.control * f(7.0)) * f(0.999)))))
        L = round_half_away(f(self.fr[idx] * self.beat))
        mg = self.min_grain()
        self.G = mg if L < mg else min(L, max(mg + 1, self.maxG))
    def process(self, chans, nch, n):
        nc = min(nch, 2); G = f(float(self.G)); step = f(f(1.0) / G)
        for i in range(n):
            v = self.amount.next()
            for ch in range(nc): self.buf[ch][self.w] = chans[ch][i]
            acc = [0.0, 0.0]
            for k in range(4):
                self.ph[k] = f(self.ph[k] - step)
                if self.ph[k] < 0:
                    self.ph[k] = f(self.ph[k] + f(1.0))
                    self.off[k] = f(f(self.random.next_float() * G) * (f(0.35) if k < 2 else f(1.6)))
                s = sinf(f(PI * self.ph[k])); w = f(f(s * s) * (f(0.6) if k < 2 else f(0.4)))
                d = f(self.ph[k] * G) if k < 2 else G
                d = f(f(d + self.off[k]) + f(2.0))
                for ch in range(nc): acc[ch] = f(acc[ch] + f(read_behind(self.buf[ch], self.size, self.w, d) * w))
            wet = f(f(0.95) * v); dry = f(f(1.0) - f(f(0.45) * wet))
            for ch in range(nc):
                y = self.lp[ch].process(acc[ch]); h = self.dc[ch].process(y)
                if v > 0: chans[ch][i] = f(f(chans[ch][i] * dry) + f(h * wet))
            self.w = (self.w + 1) & self.mask

class Age:
    rates = [[f(0.19), f(4.9), f(7.3)], [f(0.23), f(5.7), f(8.1)]]
    def __init__(self): self.random = Random(8675309); self.amount = Smoothed(); self.sr = 44100.0
    def prepare(self, sr):
        srf = f(sr); self.sr = sr
        self.size = next_pow2(int(0.12 * sr)); self.mask = self.size - 1
        self.buf = [[0.0] * self.size for _ in range(2)]; self.lp = [OnePole(), OnePole()]
        for ch in range(2): self.lp[ch].c = f(f(1.0) - expf(f(f(f(-6.2831855) * min(f(f(0.45) * srf), f(19000.0))) / srf)))
        self.set_amount(0.0)
        self.period = max(1, int(0.045 * sr)); self.smooth = f(f(1.0) - expf(f(f(-1.0) / f(f(0.09) * srf))))
        self.amount.reset(int(math.floor(0.08 * sr))); self.amount.set_current_and_target(0.0)
        self.w = 0; self.ph = [[0.0] * 3 for _ in range(2)]; self.cnt = [0, 0]; self.tg = [0.0, 0.0]; self.dv = [0.0, 0.0]
    def set_amount(self, value):
        srf = f(self.sr); a = clamp(value, 0.0, f(1.0)); self.amount.set_target(a)
        self.drive = f(f(f(0.55) * a) + f(1.0)); self.thr = powf(f(0.78), a)
        fc = f(powf(f(0.42105263), a) * f(19000.0)); fc = clamp(fc, f(1.0), f(f(0.45) * srf))
        for l in self.lp: l.c = f(f(1.0) - expf(f(f(f(-6.2831855) * fc) / srf)))
        sg = sy = 0.0
        for j in range(128):
            g = f(f(0.5) * sinf(f(f(f(float(j)) * TWO_PI) * f(0.0078125))))
            h = f(g * self.drive); T = f(f(0.75) * self.thr) if h < 0 else self.thr
            y = soft_clip(h, T, f(f(0.45) * T)); sg += g * g; sy += y * y
        ratio = math.sqrt(max(sy, 1e-20) / max(sg, 1e-20)); self.makeup = f(f(1.0) / max(f(ratio), f(0.0001)))
    def process(self, chans, nch, n):
        nc = min(nch, 2); srf = f(self.sr); w = f(TWO_PI / srf)
        for i in range(n):
            v = self.amount.next()
            if nc > 0:
                d1 = f(f(f(f(6.0) * f(0.001)) * srf) * v); d2 = f(f(f(f(0.35) * f(0.001)) * srf) * v)
                d3 = f(f(f(f(0.18) * f(0.001)) * srf) * v); dd = f(f(f(f(2.5) * f(0.001)) * srf) * v)
                for ch in range(nc):
                    self.buf[ch][self.w] = chans[ch][i]
                    s = [0.0] * 3
                    for k in range(3):
                        p = f(self.ph[ch][k] + f(w * self.rates[ch][k]))
                        if p > TWO_PI: p = f(p - TWO_PI)
                        self.ph[ch][k] = p; s[k] = sinf(p)
                    m = 0.0
                    for k, dep in enumerate((d1, d2, d3)): m = f(m + f(f(f(f(0.5) * s[k]) + f(0.5)) * dep))
                    self.cnt[ch] += 1
                    if self.cnt[ch] >= self.period: self.cnt[ch] = 0; self.tg[ch] = self.random.next_float()
                    self.dv[ch] = f(self.dv[ch] + f(f(self.tg[ch] - self.dv[ch]) * self.smooth))
                    delay = f(f(dd * self.dv[ch]) + m)
                    p = f(f(f(float(self.w)) - f(4.0)) - delay)
                    idx = int(math.floor(p)); frac = f(p - f(float(idx)))
                    r = hermite(self.buf[ch], self.size, idx, frac)
                    x = f(f(f(f(1.0) - f(f(f(0.5) - f(f(0.5) * s[0])) * f(f(0.24) * v))) * r) * self.drive)
                    T = f(f(0.75) * self.thr) if x < 0 else self.thr
                    y = f(soft_clip(x, T, f(f(0.45) * T)) * self.makeup)
                    lp = self.lp[ch].process(y)
                    chans[ch][i] = lp if v > 0 else r
            self.w = (self.w + 1) & self.mask

class Reverb:
    base = [661, 691, 719, 751, 787, 821, 853, 883, 919, 953, 991, 1021, 1061, 1091, 1129, 1163]
    ap = [181, 197, 211, 227, 241, 257, 271, 283, 307, 317, 331, 347, 359, 373, 389, 401]
    rates = [f(x) for x in [0.51, 0.64, 0.73, 0.86, 0.97, 1.09, 1.18, 1.31, 1.43, 1.56, 1.67, 1.79, 1.91, 2.04, 2.17, 2.29]]
    sign = [1, 1, -1, 1, -1, 1, 1, -1, 1, -1, 1, 1, -1, 1, -1, 1]
    ms = [[4.77, 3.6, 8.73, 6.31], [5.11, 3.94, 9.36, 5.71]]
    gains = [f(0.75), f(0.75), f(0.625), f(0.625)]
    def __init__(self): self.send = Smoothed(); self.sr = 44100.0
    def prepare(self, sr):
        srf = f(sr); self.sr = sr; ratio = sr / 44100.0
        margin = int(f(f(20.0) * f(ratio)))
        self.len = [round_half_away(b * ratio) for b in self.base]
        self.size = [next_pow2(l + margin + 8) for l in self.len]
        self.lines = [[0.0] * s for s in self.size]
        self.damp = [OnePole() for _ in range(16)]
        for d in self.damp: d.c = one_pole_coef(f(4000.0), srf)
        self.apl = [max(4, round_half_away(a * ratio)) for a in self.ap]
        self.apb = [[0.0] * n for n in self.apl]; self.api = [0] * 16
        self.dl = [[max(4, round_half_away(m * 0.001 * sr)) for m in row] for row in self.ms]
        self.db = [[[0.0] * n for n in row] for row in self.dl]; self.di = [[0] * 4 for _ in range(2)]
        self.dc = [Dc(), Dc()]
        for d in self.dc: d.prepare(sr)
        self.set_amount(0.0)
        self.pdl = max(1, round_half_away(0.01 * sr)); self.pds = next_pow2(self.pdl + 8); self.pdm = self.pds - 1
        self.pd = [[0.0] * self.pds for _ in range(2)]; self.pdw = 0
        self.lg = [powf(f(10.0), f(f(f(-3.0) * f(float(self.apl[L] + self.len[L]))) / f(f(0.6) * srf))) for L in range(16)]
        self.send.reset(int(math.floor(0.05 * sr))); self.send.set_current_and_target(0.0)
        self.wi = [0] * 16; self.ph = [f(f(float(L)) * f(0.41)) for L in range(16)]
    def set_amount(self, value):
        srf = f(self.sr); a = clamp(value, 0.0, f(1.0))
        self.bright = f(f(0.72) - f(f(0.27000004) * a))
        fc = clamp(f(powf(f(0.35), a) * f(4000.0)), f(1.0), f(f(0.45) * srf))
        c = f(f(1.0) - expf(f(f(f(-6.2831855) * fc) / srf)))
        for d in self.damp: d.c = c
    @staticmethod
    def allpass(buf, n, pos, g, x):
        d = buf[pos]; v = f(x - f(g * d)); buf[pos] = v; pos += 1
        if pos >= n: pos = 0
        return f(f(g * v) + d), pos
    def process(self, chans, nch, n):
        nc = min(nch, 2); srf = f(self.sr); depth = f(f(20.0) * f(self.sr / 44100.0))
        for i in range(n):
            s = self.send.next()
            dry = [0.0, 0.0]
            for ch in range(nc): dry[ch] = chans[ch][i]
            wet = list(dry)
            self.pd[0][self.pdw] = wet[0]; pL = self.pd[0][(self.pdw - self.pdl) & self.pdm]
            self.pd[1][self.pdw] = wet[1] if nc > 1 else wet[0]; pR = self.pd[1][(self.pdw - self.pdl) & self.pdm]
            self.pdw = (self.pdw + 1) & self.pdm
            dL = pL
            for k in range(4): dL, self.di[0][k] = self.allpass(self.db[0][k], self.dl[0][k], self.di[0][k], self.gains[k], dL)
            if nc > 1:
                dR = pR
                for k in range(4): dR, self.di[1][k] = self.allpass(self.db[1][k], self.dl[1][k], self.di[1][k], self.gains[k], dR)
            else: dR = dL
            tap = [0.0] * 16
            for L in range(16):
                p = f(self.ph[L] + f(f(TWO_PI / srf) * self.rates[L]))
                if p > TWO_PI: p = f(p - TWO_PI)
                self.ph[L] = p
                d = max(f(8.0), f(f(sinf(p) * depth) + f(float(self.len[L]))))
                pos = f(f(float(self.wi[L])) - d); idx = int(math.floor(pos)); frac = f(pos - f(float(idx)))
                tap[L] = hermite(self.lines[L], self.size[L], idx, frac)
            oL = f(f(0.25) * f(f(f(f(f(f(f(tap[0] - tap[2]) + tap[4]) - tap[6]) + tap[8]) - tap[10]) + tap[12]) - tap[14]))
            oR = f(f(0.25) * f(f(f(f(f(f(f(tap[1] - tap[3]) + tap[5]) - tap[7]) + tap[9]) - tap[11]) + tap[13]) - tap[15]))
            for L in range(16):
                lp = self.damp[L].process(tap[L]); y = f(f(f(tap[L] - lp) * self.bright) + lp)
                y, self.api[L] = self.allpass(self.apb[L], self.apl[L], self.api[L], f(0.6), y)
                tap[L] = f(y * self.lg[L])
            h = 1
            while h < 16:
                for j0 in range(0, 16, 2 * h):
                    for j in range(j0, j0 + h):
                        a, b = tap[j], tap[j + h]; tap[j] = f(a + b); tap[j + h] = f(a - b)
                h *= 2
            tap = [f(t * f(0.25)) for t in tap]
            for L in range(16):
                inp = dL if L % 2 == 0 else dR
                self.lines[L][self.wi[L]] = f(f(f(inp * f(float(self.sign[L]))) * f(0.4)) + tap[L])
                self.wi[L] = (self.wi[L] + 1) & (self.size[L] - 1)
            wet[0] = self.dc[0].process(f(f(f(0.6) * dL) + oL))
            if nc > 1: wet[1] = self.dc[1].process(f(f(f(0.6) * dR) + oR))
            for ch in range(nc):
                chans[ch][i] = f(f(f(f(1.0) - f(f(f(0.405) * s) * s)) * dry[ch]) + f(f(f(1.25) * s) * wet[ch]))

def process_chain(chans, sr, percents, block, tempo=None):
    b, fz, g, a = [f(f(p) * f(0.01)) for p in percents]
    mods = dict(bleed=Bleed(), fuzz=Fuzz(), grain=Grain(), age=Age(), reverb=Reverb())
    for m in mods.values(): m.prepare(sr)
    n = len(chans[0]); out = [list(c) for c in chans]
    for start in range(0, n, block):
        cnt = min(block, n - start)
        blk = [c[start:start + cnt] for c in out]
        t = 120.0 if tempo is None else tempo
        t = 20.0 if t < 20.0 else (300.0 if t > 300.0 else t)
        spb = f((60.0 / t) * sr)
        lo = f(f(mods['grain'].sr) * f(0.05)); hi = f(f(mods['grain'].sr) * f(4.0))
        mods['grain'].beat = lo if lo > spb else min(hi, spb)
        send = f(f(0.8) * clamp(f(f(b - f(0.45)) / f(0.55)), 0.0, f(1.0)))
        mods['bleed'].amount.set_target(clamp(b, 0.0, f(1.0)))
        mods['fuzz'].amount.set_target(clamp(fz, 0.0, f(1.0)))
        mods['grain'].set_amount(g); mods['age'].set_amount(a); mods['reverb'].set_amount(a)
        mods['reverb'].send.set_target(clamp(send, 0.0, f(1.0)))
        for name in ('bleed', 'fuzz', 'grain', 'age', 'reverb'):
            mods[name].process(blk, len(blk), cnt)
        if b > 0 or fz > 0 or g > 0 or a > 0:
            for ch in range(len(blk)):
                for i in range(cnt): blk[ch][i] = soft_clip(blk[ch][i], f(0.89), f(0.11))
        for ch in range(len(blk)): out[ch][start:start + cnt] = blk[ch]
    return out

def read_wav(path):
    data = open(path, 'rb').read()
    pos = 12; fmt = None; samples = None
    while pos < len(data):
        cid = data[pos:pos + 4]; size = struct.unpack('<I', data[pos + 4:pos + 8])[0]
        body = data[pos + 8:pos + 8 + size]
        if cid == b'fmt ': fmt = struct.unpack('<HHIIHH', body[:16])
        if cid == b'data': samples = body
        pos += 8 + size + (size & 1)
    nch = fmt[1]; n = len(samples) // (4 * nch)
    flat = struct.unpack('<%df' % (n * nch), samples[:n * nch * 4])
    return [list(flat[ch::nch]) for ch in range(nch)], fmt[2]


def write_wav(path, channels, sr):
    nch = len(channels)
    frames = b''.join(struct.pack('<%df' % nch, *frame) for frame in zip(*channels))
    fmt = struct.pack('<HHIIHH', 3, nch, sr, sr * 4 * nch, 4 * nch, 32)
    body = b'WAVE' + b'fmt ' + struct.pack('<I', len(fmt)) + fmt + b'data' + struct.pack('<I', len(frames)) + frames
    open(path, 'wb').write(b'RIFF' + struct.pack('<I', len(body)) + body)

def make_input(n, sr, seed):
    rng = Random(seed)
    left, right = [], []
    for i in range(n):
        t = i / sr
        left.append(f(0.6 * math.sin(2 * math.pi * 110 * t) * math.exp(-((i % 3000) / 1500.0)) + 0.1 * (rng.next_float() - 0.5)))
        right.append(f(0.5 * math.sin(2 * math.pi * 440 * t + 1.0) * (1.0 if (i // 2000) % 2 else 0.2)))
    return [left, right]

def main():
    import os, subprocess, tempfile
    tool = sys.argv[1]
    cases = [  # channels, sample rate, samples, BLEED, FUZZ, GRAIN, AGE, block size
        (2, 44100, 4000, 75, 50, 50, 25, 64),
        (2, 44100, 4000, 100, 100, 100, 100, 1),
        (2, 44100, 4000, 0, 25, 75, 100, 100),
        (2, 44100, 4000, 45, 5, 99, 50, 333),
        (2, 48000, 8000, 88, 66, 33, 77, 256),
        (1, 44100, 4000, 90, 60, 40, 80, 128),
    ]
    failures = 0
    with tempfile.TemporaryDirectory() as folder:
        for nch, sr, n, bl, fz, gr, ag, block in cases:
            source = make_input(n, float(sr), sr + n + block)[:nch]
            inp, out = os.path.join(folder, 'in.wav'), os.path.join(folder, 'out.wav')
            write_wav(inp, source, sr)
            subprocess.run([tool, inp, out, '--bleed', str(bl), '--fuzz', str(fz), '--grain', str(gr), '--age', str(ag),
                            '--block', str(block), '--no-trim', '--no-tail'], check=True, stdout=subprocess.DEVNULL)
            rendered, _ = read_wav(out)
            model = process_chain(source, float(sr), [bl, fz, gr, ag], block)
            mismatches = [(ch, i) for ch in range(nch) for i in range(n)
                          if struct.pack('f', model[ch][i]) != struct.pack('f', rendered[ch][i])]
            label = '%s, %d Hz, %d samples, BLEED %d FUZZ %d GRAIN %d AGE %d, blocks of %d' % (
                'stereo' if nch == 2 else 'mono', sr, n, bl, fz, gr, ag, block)
            if mismatches:
                ch, i = mismatches[0]
                print('FAIL %s: %d samples differ, first at channel %d sample %d: model %r, plug-in %r'
                      % (label, len(mismatches), ch, i, model[ch][i], rendered[ch][i]))
                failures += 1
            else:
                print('ok   %s: bit-identical' % label)
    print('%d passed, %d failed' % (len(cases) - failures, failures))
    return 1 if failures else 0

if __name__ == '__main__':
    sys.exit(main())

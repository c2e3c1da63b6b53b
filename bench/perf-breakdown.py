#!/usr/bin/env python3
"""Where pxrtool's time goes, from a perf recording with call graphs.

    perf record -e cpu-clock -F 1000 --call-graph dwarf,16384 -p PID -o FILE -- sleep 25
    perf script -i FILE > FILE.txt
    bench/perf-breakdown.py FILE.txt [program CPU %]

Each sample goes to the first group whose rule matches its call stack; with
the program's CPU share (from bench_xvfb) the groups are also given in % of
one core.
"""
import collections
import re
import sys


def stacks(path):
    out, cur = [], []
    for line in open(path, errors='replace'):
        line = line.rstrip('\n')
        if not line.strip():
            if cur:
                out.append(cur)
            cur = []
        elif line[0] in '\t ':
            parts = line.strip().split(None, 1)
            if len(parts) == 2:
                sym = re.sub(r'\+0x[0-9a-f]+', '', parts[1])
                cur.append(re.sub(r'\s*\([^()]*\)$', '', sym).strip())
    if cur:
        out.append(cur)
    return out


def has(*names):
    return lambda s: any(n in f for f in s for n in names)


GROUPS = [
    ('raster paint helper threads', lambda s: any('start_thread' in f for f in s[-4:])),
    ('port: terminal (libvterm)', has('TerminalScreen::feed')),
    ('port: log file append', has('AppendLogLine')),
    ('port: decoding, log window, statistics, series', has('ComDataPacket_messPacket')),
    ('port: framers, other', has('HandleBuffer')),
    ('port: reading, QSerialPort', has('onReadyRead', 'QSerialPort', 'readNotification')),
    ('diagram replot and paint', has('QCustomPlot::replot', 'DiagramWidget::paintEvent')),
    ('other repaints (labels, notebook, buttons)', has('paintAndFlush', 'drawWidget')),
    ('layout', has('QLayout::activate')),
    ('timers (log window, history, indicators)', has('QTimer::timeout', 'QTimerInfoList')),
    ('event loop: poll, wake-up, dispatch', has('g_main_context', 'QEventDispatcherGlib')),
]


def main():
    samples = stacks(sys.argv[1])
    cpu = float(sys.argv[2]) if len(sys.argv) > 2 else None
    count = collections.Counter()
    for s in samples:
        count[next((name for name, rule in GROUPS if rule(s)), 'rest')] += 1
    n = max(1, len(samples))
    print('%d samples' % len(samples))
    for name, k in count.most_common():
        extra = '  %5.2f %% of one core' % (cpu * k / n) if cpu else ''
        print('%-48s %5.1f %%%s' % (name, 100 * k / n, extra))


if __name__ == '__main__':
    main()

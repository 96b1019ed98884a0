#!/usr/bin/env python3
"""Dictionary benchmark: 100000 keys written, then every key read back."""
N = 100000
d = {}
for i in range(1, N + 1):
    d["key" + str(i)] = i
total = 0
for i in range(1, N + 1):
    total += d["key" + str(i)]
expected = N * (N + 1) // 2
print(("ok " if total == expected else "NG ") + str(total))

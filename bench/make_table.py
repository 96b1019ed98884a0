#!/usr/bin/env python3
"""Writes the benchmark table: 100 000 rows of 10 columns (about 10 MB), Shift-JIS."""
import random
import sys

random.seed(7)
words = ["林檎", "蜜柑", "葡萄", "apple", "orange", "梨", "桃", "melon"]
with open(sys.argv[1], "w", encoding="cp932", newline="") as f:
    f.write("id,name,kind,price,stock,date,memo,a,b,c\r\n")
    for i in range(100000):
        memo = '"note, with comma"' if i % 7 == 0 else "plain note text here"
        f.write(f"{i},{random.choice(words)}{i % 97},{random.choice('ABCD')},{random.randint(1, 100000)},"
                f"{random.randint(0, 500)},2024/{random.randint(1, 12):02}/{random.randint(1, 28):02},{memo},"
                f"{random.random():.6f},{random.randint(0, 10**9)},x{i}\r\n")

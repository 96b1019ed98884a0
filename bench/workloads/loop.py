a = 0
for _ in range(1000000):
    a = a + 1
print(a)

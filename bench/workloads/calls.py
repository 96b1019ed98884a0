c = 0
def add():
    global c
    c = c + 1
for _ in range(100000):
    add()
print(c)

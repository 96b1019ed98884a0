print(len(open("text.txt", "rb").read().replace(b"apple", b"orange")))

print(len(open("text.txt", "rb").read().splitlines()))
